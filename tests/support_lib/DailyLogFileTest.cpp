// Daily log files: names, rotation by day of the month, line formats, the
// exclusive writer rule and the one fatal failure.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "TempDir.h"
#include "Utility/BoundedText.h"
#include "Utility/DailyLogFile.h"
#include "Utility/Platform.h"

namespace {

Platform::LocalTime g_now;
Platform::LocalTime FakeNow() { return g_now; }

void SetNow(int year, int month, int day, int hour, int minute, int second = 0, int millis = 0) {
    g_now = Platform::LocalTime{year, month, day, hour, minute, second, millis};
}

// Runs each test inside a fresh working folder (the "log" folder is relative to
// it) with the local clock under the test's control.
class DailyLogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.Path().empty());
        oldCwd_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.Path());
        Platform::SetLocalTimeSource(&FakeNow);
    }
    void TearDown() override {
        Platform::SetLocalTimeSource(nullptr);
        std::filesystem::current_path(oldCwd_);
    }
    static std::string Native(const char* name) { return Platform::NativePath(name); }

    TempDir dir_;
    std::filesystem::path oldCwd_;
};

TEST_F(DailyLogFileTest, RotatesAtMidnightAndKeepsTheNewDaysFile) {
    SetNow(2026, 3, 5, 23, 59, 10);
    DailyLogFile log;
    log.Open("log\\game", true);  // no "log" folder yet: Open makes it
    EXPECT_STREQ(log.GetFileName(), "log\\game202603052359.log");
    EXPECT_TRUE(std::filesystem::is_regular_file(Native(log.GetFileName())));
    EXPECT_EQ(log.GetSize(), 0);

    SetNow(2026, 3, 6, 0, 1, 2, 7);
    ASSERT_TRUE(log.WriteLine("first"));
    EXPECT_STREQ(log.GetFileName(), "log\\game202603060001.log");

    SetNow(2026, 3, 6, 15, 30, 4, 42);
    ASSERT_TRUE(log.WriteEntry("second"));
    ASSERT_TRUE(log.WriteEntry(""));
    EXPECT_STREQ(log.GetFileName(), "log\\game202603060001.log");

    const std::string expected =
        "first\r\n"
        "[2026-03-06 15:30:04 042] second\r\n\r\n"
        "[2026-03-06 15:30:04 042] \r\n\r\n";
    EXPECT_EQ(ReadWholeFile(Native("log\\game202603060001.log")), expected);
    EXPECT_EQ(log.GetSize(), static_cast<int>(expected.size()));
    EXPECT_EQ(ReadWholeFile(Native("log\\game202603052359.log")), "");
}

TEST_F(DailyLogFileTest, RotationComparesTheDayOfTheMonthOnly) {
    SetNow(2026, 3, 5, 10, 0);
    DailyLogFile log;
    log.Open("app", true);
    const std::string first = log.GetFileName();

    SetNow(2026, 4, 5, 11, 0);  // a month later, same day of the month
    ASSERT_TRUE(log.WriteLine("x"));
    EXPECT_EQ(log.GetFileName(), first);

    EXPECT_STREQ(log.RefreshName(Platform::LocalTime{2026, 4, 6, 8, 9, 0, 0}), "app202604060809.log");
    EXPECT_EQ(log.Day(), 6);
}

TEST_F(DailyLogFileTest, FixedNameModeNeverRotatesAndOpenTouchesNothing) {
    DailyLogFile log;
    log.Open("fixed.txt", false);
    EXPECT_FALSE(std::filesystem::exists("fixed.txt"));
    EXPECT_EQ(log.GetSize(), 0);

    SetNow(2026, 1, 1, 0, 0);
    ASSERT_TRUE(log.WriteLine("a"));
    SetNow(2026, 1, 2, 0, 0);
    ASSERT_TRUE(log.WriteLine("b"));
    EXPECT_STREQ(log.GetFileName(), "fixed.txt");
    EXPECT_EQ(ReadWholeFile("fixed.txt"), "a\r\nb\r\n");

    EXPECT_TRUE(log.Truncate());
    EXPECT_EQ(log.GetSize(), 0);
    EXPECT_TRUE(std::filesystem::exists("fixed.txt"));
}

TEST_F(DailyLogFileTest, OpeningAgainInTheSameMinuteEmptiesTheFile) {
    SetNow(2026, 7, 1, 9, 15);
    DailyLogFile log;
    log.Open("run", true);
    ASSERT_TRUE(log.WriteLine("old"));
    EXPECT_GT(log.GetSize(), 0);
    log.Open("run", true);
    EXPECT_EQ(log.GetSize(), 0);
}

TEST_F(DailyLogFileTest, WritesFailWithoutCreatingFoldersOrFiles) {
    DailyLogFile none;
    EXPECT_FALSE(none.WriteLine("x"));  // no name at all
    EXPECT_FALSE(none.Truncate());

    DailyLogFile log("missing\\dir\\file.log");
    EXPECT_FALSE(log.WriteLine("x"));
    EXPECT_FALSE(log.WriteEntry("x"));
    EXPECT_FALSE(std::filesystem::exists("missing"));
    EXPECT_EQ(log.GetSize(), 0);
}

TEST_F(DailyLogFileTest, SecondWriterFailsWhileTheFirstHoldsTheFile) {
    DailyLogFile log("shared.log");
    ASSERT_TRUE(log.WriteLine("one"));

    const Platform::FileHandle holder = Platform::OpenLogWriter("shared.log", false);
    ASSERT_NE(holder, Platform::kNoFile);
    EXPECT_FALSE(log.WriteLine("two"));
    EXPECT_FALSE(log.WriteEntry("two"));
    EXPECT_FALSE(log.Truncate());
    EXPECT_EQ(log.GetSize(), 5);  // readers still get in
    Platform::CloseLogWriter(holder);

    EXPECT_TRUE(log.WriteLine("three"));
    EXPECT_EQ(ReadWholeFile("shared.log"), "one\r\nthree\r\n");
}

TEST_F(DailyLogFileTest, SecondWriterInAnotherProcessFailsToo) {
    DailyLogFile log("proc.log");
    ASSERT_TRUE(log.WriteLine("x"));
    const Platform::FileHandle holder = Platform::OpenLogWriter("proc.log", false);
    ASSERT_NE(holder, Platform::kNoFile);
    const pid_t child = ::fork();
    if (child == 0) {
        DailyLogFile other("proc.log");
        ::_exit(other.WriteLine("y") ? 1 : 0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    Platform::CloseLogWriter(holder);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadWholeFile("proc.log"), "x\r\n");
}

TEST_F(DailyLogFileTest, LongNamesAreCutTo511Characters) {
    const std::string longName(600, 'n');
    DailyLogFile fixed(longName.c_str());
    EXPECT_EQ(std::strlen(fixed.GetFileName()), 511u);

    SetNow(2026, 2, 3, 4, 5);
    DailyLogFile daily;
    daily.Open(("log/" + std::string(200, 'd')).c_str(), true);
    EXPECT_EQ(std::string(daily.GetFileName()).substr(204), "202602030405.log");
}

TEST_F(DailyLogFileTest, UnopenableDailyFileEndsTheProcessWithAMessage) {
    SetNow(2026, 1, 1, 0, 0);
    EXPECT_DEATH(
        {
            DailyLogFile log;
            log.Open("no\\such\\folder\\x", true);
        },
        "Error: Unable open 'log\\\\\\*\\.log'");
    EXPECT_TRUE(std::filesystem::is_directory("log"));  // made by the forked child in the shared folder
}

TEST(BoundedText, CutsAndAlwaysTerminates) {
    char buf[8];
    EXPECT_EQ(BoundedPrint(buf, sizeof buf, "%d-%s", 12, "abc"), 6);
    EXPECT_STREQ(buf, "12-abc");
    EXPECT_EQ(BoundedPrint(buf, sizeof buf, "%s", "0123456789"), 7);
    EXPECT_STREQ(buf, "0123456");

    EXPECT_EQ(BoundedCopy(buf, sizeof buf, "abcdefghij"), 7u);
    EXPECT_STREQ(buf, "abcdefg");
    EXPECT_EQ(BoundedCopy(buf, sizeof buf, nullptr), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(BoundedCopy(buf, 1, "x"), 0u);
    EXPECT_STREQ(buf, "");
}

}  // namespace
