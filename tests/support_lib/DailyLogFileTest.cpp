// Daily log files: names, rotation by day of the month, line formats, the
// exclusive writer rule and the one fatal failure.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <string>

#include "support/TempDir.h"
#include "Utility/BoundedText.h"
#include "Utility/DailyLogFile.h"
#include "Utility/Platform.h"

namespace {

Platform::LocalTime g_now;
Platform::LocalTime FakeNow() { return g_now; }
void SetNow(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0) { g_now = {y, mo, d, h, mi, s, ms}; }

// Each test runs in a fresh working folder (the "log" folder is relative to it)
// with the local clock under its control.
class DailyLogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldCwd_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.Path());
        Platform::SetLocalTimeSource(&FakeNow);
    }
    void TearDown() override {
        Platform::SetLocalTimeSource(nullptr);
        std::filesystem::current_path(oldCwd_);
    }
    TempDir dir_;
    std::filesystem::path oldCwd_;
};

TEST_F(DailyLogFileTest, RotatesWhenTheDayOfTheMonthChanges) {
    SetNow(2026, 3, 5, 23, 59, 10);
    DailyLogFile log;
    log.Open("log\\game", true);  // no "log" folder yet: Open makes it
    EXPECT_STREQ(log.GetFileName(), "log\\game202603052359.log");
    ASSERT_TRUE(std::filesystem::is_regular_file("log/game202603052359.log"));

    SetNow(2026, 3, 6, 0, 1, 2, 7);
    ASSERT_TRUE(log.WriteLine("first"));
    EXPECT_STREQ(log.GetFileName(), "log\\game202603060001.log");
    SetNow(2026, 3, 6, 15, 30, 4, 42);
    ASSERT_TRUE(log.WriteEntry("second"));
    ASSERT_TRUE(log.WriteEntry(""));
    EXPECT_STREQ(log.GetFileName(), "log\\game202603060001.log");

    const std::string expected = "first\r\n[2026-03-06 15:30:04 042] second\r\n\r\n[2026-03-06 15:30:04 042] \r\n\r\n";
    EXPECT_EQ(ReadWholeFile("log/game202603060001.log"), expected);
    EXPECT_EQ(log.GetSize(), static_cast<int>(expected.size()));

    log.Open("log\\game", true);  // same minute: the file is emptied
    EXPECT_EQ(log.GetSize(), 0);

    // Rotation compares the day of the month only.
    SetNow(2026, 4, 6, 11, 0);
    ASSERT_TRUE(log.WriteLine("x"));
    EXPECT_STREQ(log.GetFileName(), "log\\game202603061530.log");
    EXPECT_STREQ(log.RefreshName(Platform::LocalTime{2026, 4, 7, 8, 9, 0, 0}), "log\\game202604070809.log");
}

TEST_F(DailyLogFileTest, FixedNamesAndWritesThatCannotOpen) {
    DailyLogFile log;
    log.Open("fixed.txt", false);
    EXPECT_FALSE(std::filesystem::exists("fixed.txt"));  // Open touches nothing
    EXPECT_EQ(log.GetSize(), 0);
    SetNow(2026, 1, 1, 0, 0);
    ASSERT_TRUE(log.WriteLine("a"));
    SetNow(2026, 1, 2, 0, 0);
    ASSERT_TRUE(log.WriteLine("b"));
    EXPECT_EQ(ReadWholeFile("fixed.txt"), "a\r\nb\r\n");
    EXPECT_TRUE(log.Truncate());
    EXPECT_EQ(log.GetSize(), 0);

    DailyLogFile nowhere("missing\\dir\\file.log");
    EXPECT_FALSE(nowhere.WriteLine("x") || nowhere.WriteEntry("x") || DailyLogFile().WriteLine("x"));
    EXPECT_FALSE(std::filesystem::exists("missing"));  // writes make no folders

    EXPECT_EQ(std::strlen(DailyLogFile(std::string(600, 'n').c_str()).GetFileName()), 511u);
}

TEST_F(DailyLogFileTest, SecondWriterFailsWhileTheFirstHoldsTheFile) {
    DailyLogFile log("shared.log");
    ASSERT_TRUE(log.WriteLine("one"));
    const Platform::FileHandle holder = Platform::OpenLogWriter("shared.log", false);
    ASSERT_NE(holder, Platform::kNoFile);
    EXPECT_FALSE(log.WriteLine("two"));
    EXPECT_FALSE(log.Truncate());
    EXPECT_EQ(log.GetSize(), 5);  // readers still get in
    Platform::CloseLogWriter(holder);
    EXPECT_TRUE(log.WriteLine("three"));
    EXPECT_EQ(ReadWholeFile("shared.log"), "one\r\nthree\r\n");
}

// Programs that know nothing of the writer rule: POSIX locks are advisory, so
// they still write and rename; Windows enforces the share mode on everyone.
TEST_F(DailyLogFileTest, OtherProgramsWhileAWriterHoldsTheFile) {
    DailyLogFile log("held.log");
    ASSERT_TRUE(log.WriteLine("one"));
    const Platform::FileHandle holder = Platform::OpenLogWriter("held.log", false);
    ASSERT_NE(holder, Platform::kNoFile);
    std::ofstream foreign("held.log", std::ios::binary | std::ios::app);
    std::error_code renamed;
    std::filesystem::rename("held.log", "moved.log", renamed);
#if defined(_WIN32)
    EXPECT_FALSE(foreign.is_open());
    EXPECT_TRUE(renamed);
#else
    EXPECT_TRUE(foreign.is_open());
    EXPECT_FALSE(renamed);
#endif
    foreign.close();
    Platform::CloseLogWriter(holder);
    EXPECT_EQ(ReadWholeFile(renamed ? "held.log" : "moved.log"), "one\r\n");
}

TEST_F(DailyLogFileTest, UnopenableDailyFileEndsTheProcessWithAMessage) {
    SetNow(2026, 1, 1, 0, 0);
    Platform::SetErrorBoxes(false);  // the message still reaches the error stream
    EXPECT_DEATH(DailyLogFile().Open("no\\such\\folder\\x", true), "Error: Unable open 'log\\\\\\*\\.log'");
    Platform::SetErrorBoxes(true);
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
}

}  // namespace
