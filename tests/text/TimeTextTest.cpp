// The host's clock through the kernel, time texts and the machine's local time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <utility>
#include <vector>

#include "Utility/CalendarTime.h"
#include "Utility/KernelClock.h"
#include "Utility/LocalTimeText.h"
#include "Utility/Low32Time.h"
#include "host/HostKernel.h"
#include "host/MemoryPubDataStore.h"
#include "Utility/Platform.h"
#include "Utility/TimeText.h"

namespace {

std::int64_t LocalMktime(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900, tm.tm_mon = mo - 1, tm.tm_mday = d, tm.tm_hour = h, tm.tm_min = mi, tm.tm_sec = s;
    return std::mktime(&tm);
}

// The clock functions read time only through the kernel: the reference host's
// clock is set far from the machine's.
struct KernelClock : ::testing::Test {
    MemoryPubDataStore store;
    HostKernel kernel{store, 1};
};

}  // namespace

TEST_F(KernelClock, TextHasNoLeadingZerosAndDateOnlyDropsTheTime) {
    kernel.SetClock(2011, 3, 3, 9, 5, 7);
    EXPECT_EQ(CurrentDateTimeText(&kernel, false), "2011-3-3 9:5:7");
    EXPECT_EQ(CurrentDateTimeText(&kernel, true), "2011-3-3 0:0:0");
    kernel.SetClock(2012, 1, 1);
    EXPECT_EQ(CurrentDateTimeText(&kernel, false), "2012-1-1 0:0:0");
    EXPECT_EQ(CurrentDateTimeText(nullptr, false), "0-0-0 0:0:0");
}

TEST_F(KernelClock, CalendarTimeAndStartOfDay) {
    kernel.SetClock(2020, 6, 15, 13, 45, 30);
    EXPECT_EQ(CurrentTime(&kernel, false), LocalMktime(2020, 6, 15, 13, 45, 30));
    EXPECT_EQ(CurrentTime(&kernel, true), LocalMktime(2020, 6, 15, 0, 0, 0));

    int y = -1, mo = -1, d = -1, h = -1, mi = -1, s = -1;
    CurrentDateTimeParts(&kernel, y, mo, d, h, mi, s);
    EXPECT_EQ(y * 10000 + mo * 100 + d, 20200615);
    EXPECT_EQ(h * 10000 + mi * 100 + s, 134530);
    EXPECT_EQ(CurrentTime(nullptr, true), 0);
}

// Past the 32-bit edges the host's clock, the calendar time and the local-time
// conversion back agree to the second.
TEST_F(KernelClock, DatesPast2038And2106ConvertBothWays) {
    Platform::UseTimeZone("UTC");
    struct Case {
        int f[6];
        std::int64_t seconds;
        const char* text;
    };
    const Case cases[] = {{{2038, 1, 19, 3, 14, 7}, 2147483647LL, "2038-1-19 3:14:7"},
                          {{2038, 1, 19, 3, 14, 8}, 2147483648LL, "2038-1-19 3:14:8"},
                          {{2106, 2, 7, 6, 28, 16}, 4294967296LL, "2106-2-7 6:28:16"},
                          {{2206, 3, 1, 0, 0, 0}, 7452518400LL, "2206-3-1 0:0:0"}};
    for (const Case& c : cases) {
        kernel.SetClock(c.f[0], c.f[1], c.f[2], c.f[3], c.f[4], c.f[5]);
        EXPECT_EQ(CurrentTime(&kernel, false), c.seconds) << c.text;
        EXPECT_EQ(CurrentDateTimeText(&kernel, false), c.text);
        Platform::LocalTime t;
        ASSERT_TRUE(Platform::LocalTimeAt(c.seconds, t)) << c.text;
        EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second}),
                  (std::vector<int>(c.f, c.f + 6)));
        EXPECT_TRUE(SameLocalDate(c.seconds, c.seconds - c.f[3] * 3600 - c.f[4] * 60 - c.f[5])) << c.text;
        EXPECT_FALSE(SameLocalDate(c.seconds, c.seconds - c.f[3] * 3600 - c.f[4] * 60 - c.f[5] - 1)) << c.text;
    }
}

TEST(Low32Times, ReadBackAsTheNearestMomentToTheReference) {
    constexpr std::int64_t k2038 = 2147483648LL;  // low bits INT_MIN
    constexpr std::int64_t k2106 = 4294967296LL;  // low bits 0
    constexpr std::int64_t kSpan = 2147483647LL;  // 68 years
    const std::int64_t moments[] = {0, 1709596800, k2038 - 1, k2038, k2106 - 1, k2106, k2106 + k2038, 7452518400LL};
    for (const std::int64_t t : moments) {
        for (const std::int64_t away : {std::int64_t{0}, std::int64_t{1}, std::int64_t{-1}, std::int64_t{86400},
                                        std::int64_t{-86400}, kSpan, -kSpan}) {
            EXPECT_EQ(NearestWithLow32(Low32Time(t), t + away), t) << t << " from " << away;
        }
    }
    EXPECT_EQ(Low32Time(k2038), -2147483647 - 1);
    EXPECT_EQ(Low32Time(k2106 + 5), 5);
    EXPECT_EQ(Low32Time(-1), -1);
    // Exactly half the cycle away: the earlier of the two.
    EXPECT_EQ(NearestWithLow32(0, k2038), 0);
}

TEST(TimeTexts, SecondsOfClockTexts) {
    // "1:0" is shorter than 4 characters; blanks are skipped before a number but
    // not before a colon; hours beyond the 32-bit product stay exact.
    const std::pair<const char*, long long> cases[] = {{"02:00:00", 7200},
                                                       {"12:00", 43200},
                                                       {"1:00", 3600},
                                                       {"1:0", 0},
                                                       {"1:2:3", 3723},
                                                       {" 1: 2: 3", 3723},
                                                       {"1 :2:3", 3600},
                                                       {"x1:00", 0},
                                                       {nullptr, 0},
                                                       {"2011-3-3 9:5:7", 2011 * 3600},
                                                       {"03:30:00 ; remark", 12600},
                                                       {"3000000:00:01", 10800000001LL},
                                                       {"-2:30", -7200 + 1800},
                                                       {"99999999999999:0:0", 2147483647LL * 3600}};
    for (const auto& [text, seconds] : cases) {
        EXPECT_EQ(TimeTextToSeconds(text), seconds) << (text ? text : "null");
    }
}

TEST(TimeTexts, DatesAndClocksAsNumbers) {
    EXPECT_EQ(DateTimeTextToTime("2011-3-3 9:5:7"), LocalMktime(2011, 3, 3, 9, 5, 7));
    EXPECT_EQ(DateTimeTextToTime("2011-3-3"), LocalMktime(2011, 3, 3, 0, 0, 0));
    EXPECT_EQ(DateTimeTextToTime("2011-3"), -1);  // 6 characters: nothing read
    EXPECT_EQ(DateTimeTextToTime("hello world"), -1);
    EXPECT_EQ(DateTimeTextToTime(nullptr), -1);
    EXPECT_EQ(DateTimeTextToTime("-2147483648-1-1"), -1);

    // "999999-1-1" does not fit an int.
    for (const auto& [text, number] : {std::pair<const char*, int>{"2011-3-3", 20110303},
                                       {"2011--3-3", 20110303},
                                       {"2011-3", 0},
                                       {"2011-3-3-1", 0},
                                       {nullptr, 0},
                                       {"999999-1-1", 0}}) {
        EXPECT_EQ(DateTextToNumber(text), number) << (text ? text : "null");
    }
    for (const auto& [text, number] :
         {std::pair<const char*, int>{"9:5:7", 90507}, {"23:59", 235900}, {"9", 0}, {"1:2:3:4", 0}}) {
        EXPECT_EQ(ClockTextToNumber(text), number) << text;
    }
}

TEST(LocalTimeTexts, PaddedFromTheLocalClock) {
    Platform::SetLocalTimeSource([] { return Platform::LocalTime{2024, 1, 2, 3, 4, 5, 6}; });
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
