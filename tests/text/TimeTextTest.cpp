// The host's clock through the kernel, time texts and the machine's local time.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>

#include "support/MockKernel.h"
#include "Utility/Platform.h"
#include "Utility/TextConvert.h"

using ::testing::_;
using ::testing::DoAll;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::SetArgReferee;

namespace {

std::int64_t LocalMktime(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = 0;
    return std::mktime(&tm);
}

// A kernel whose clock reads the given fields; the two raw values are
// arbitrary tokens checked on the way into the split calls.
void SetClock(NiceMock<MockKernel>& k, int y, int mo, int d, int h, int mi, int s) {
    ON_CALL(k, GetCurrentDateTime(_, _))
        .WillByDefault(DoAll(SetArgReferee<0>(40000.0), SetArgReferee<1>(0.5), Return(true)));
    ON_CALL(k, SplitDate(40000.0, _, _, _))
        .WillByDefault(DoAll(SetArgReferee<1>(y), SetArgReferee<2>(mo), SetArgReferee<3>(d), Return(true)));
    ON_CALL(k, SplitTime(0.5, _, _, _))
        .WillByDefault(DoAll(SetArgReferee<1>(h), SetArgReferee<2>(mi), SetArgReferee<3>(s), Return(true)));
}

}  // namespace

TEST(HostClock, TextHasNoLeadingZerosAndDateOnlySkipsTheTime) {
    NiceMock<MockKernel> k;
    SetClock(k, 2011, 3, 3, 9, 5, 7);
    EXPECT_EQ(CurrentDateTimeText(&k, false), "2011-3-3 9:5:7");
    EXPECT_CALL(k, SplitTime(_, _, _, _)).Times(0);
    EXPECT_EQ(CurrentDateTimeText(&k, true), "2011-3-3 0:0:0");

    NiceMock<MockKernel> midnight;
    SetClock(midnight, 2012, 1, 1, 0, 0, 0);
    EXPECT_EQ(CurrentDateTimeText(&midnight, false), "2012-1-1 0:0:0");
    EXPECT_EQ(CurrentDateTimeText(nullptr, false), "0-0-0 0:0:0");
}

TEST(HostClock, CalendarTimeAndStartOfDay) {
    NiceMock<MockKernel> k;
    SetClock(k, 2020, 6, 15, 13, 45, 30);
    // Both clock values are read by each of the three calls, even when only
    // the day's start is wanted.
    EXPECT_CALL(k, GetCurrentDateTime(_, _)).Times(3);
    EXPECT_CALL(k, SplitTime(_, _, _, _)).Times(3);
    EXPECT_EQ(CurrentTime(&k, false), LocalMktime(2020, 6, 15, 13, 45, 30));
    EXPECT_EQ(CurrentTime(&k, true), LocalMktime(2020, 6, 15, 0, 0, 0));

    int y = -1, mo = -1, d = -1, h = -1, mi = -1, s = -1;
    CurrentDateTimeParts(&k, y, mo, d, h, mi, s);
    EXPECT_EQ(y * 10000 + mo * 100 + d, 20200615);
    EXPECT_EQ(h * 10000 + mi * 100 + s, 134530);
    EXPECT_EQ(CurrentTime(nullptr, true), 0);
}

TEST(TimeTexts, SecondsOfClockTexts) {
    EXPECT_EQ(TimeTextToSeconds("02:00:00"), 7200);
    EXPECT_EQ(TimeTextToSeconds("12:00"), 43200);
    EXPECT_EQ(TimeTextToSeconds("1:00"), 3600);
    EXPECT_EQ(TimeTextToSeconds("1:0"), 0);  // shorter than 4 characters
    EXPECT_EQ(TimeTextToSeconds("1:2:3"), 3723);
    EXPECT_EQ(TimeTextToSeconds(" 1: 2: 3"), 3723);  // blanks before a number are skipped
    EXPECT_EQ(TimeTextToSeconds("1 :2:3"), 3600);    // but not before a colon
    EXPECT_EQ(TimeTextToSeconds("x1:00"), 0);
    EXPECT_EQ(TimeTextToSeconds(nullptr), 0);
    EXPECT_EQ(TimeTextToSeconds("2011-3-3 9:5:7"), 2011 * 3600);
    EXPECT_EQ(TimeTextToSeconds("03:30:00 ; remark"), 12600);
    // Hour fields beyond the 32-bit product stay exact, never overflow.
    EXPECT_EQ(TimeTextToSeconds("3000000:00:01"), 10800000001LL);
    EXPECT_EQ(TimeTextToSeconds("-2:30"), -7200 + 1800);
    EXPECT_EQ(TimeTextToSeconds("99999999999999:0:0"), 2147483647LL * 3600);
}

TEST(TimeTexts, DatesAndClocksAsNumbers) {
    EXPECT_EQ(DateTimeTextToTime("2011-3-3 9:5:7"), LocalMktime(2011, 3, 3, 9, 5, 7));
    EXPECT_EQ(DateTimeTextToTime("2011-3-3"), LocalMktime(2011, 3, 3, 0, 0, 0));
    EXPECT_EQ(DateTimeTextToTime("2011-3"), -1);  // 6 characters: nothing read
    EXPECT_EQ(DateTimeTextToTime("hello world"), -1);
    EXPECT_EQ(DateTimeTextToTime(nullptr), -1);
    EXPECT_EQ(DateTimeTextToTime("-2147483648-1-1"), -1);

    EXPECT_EQ(DateTextToNumber("2011-3-3"), 20110303);
    EXPECT_EQ(DateTextToNumber("2011--3-3"), 20110303);
    EXPECT_EQ(DateTextToNumber("2011-3"), 0);
    EXPECT_EQ(DateTextToNumber("2011-3-3-1"), 0);
    EXPECT_EQ(DateTextToNumber(nullptr), 0);
    EXPECT_EQ(DateTextToNumber("999999-1-1"), 0);  // does not fit an int
    EXPECT_EQ(ClockTextToNumber("9:5:7"), 90507);
    EXPECT_EQ(ClockTextToNumber("23:59"), 235900);
    EXPECT_EQ(ClockTextToNumber("9"), 0);
    EXPECT_EQ(ClockTextToNumber("1:2:3:4"), 0);
}

namespace {
Platform::LocalTime FixedLocalTime() {
    Platform::LocalTime t;
    t.year = 2024, t.month = 1, t.day = 2, t.hour = 3, t.minute = 4, t.second = 5, t.millis = 6;
    return t;
}
}  // namespace

TEST(LocalTimeTexts, PaddedFromTheLocalClock) {
    Platform::SetLocalTimeSource(&FixedLocalTime);
    EXPECT_EQ(LocalStampMillisText(), "2024-01-02 03:04:05.006");
    EXPECT_EQ(LocalStampText(), "2024-01-02 03:04:05");
    EXPECT_EQ(LocalClockText(), "03:04:05");
    EXPECT_EQ(LocalDateText(), "2024-01-02");
    Platform::SetLocalTimeSource(nullptr);

    const Platform::LocalTime now = Platform::NowLocal();
    EXPECT_GE(now.year, 2020);
    EXPECT_TRUE(now.month >= 1 && now.month <= 12 && now.millis >= 0 && now.millis <= 999);
    EXPECT_EQ(LocalStampMillisText().size(), 23u);
}
