// The simulator's command line.
#include <gtest/gtest.h>

#include <vector>

#include "sim/SimOptions.cpp"  // the simulator is a program; its option parser is compiled in here

namespace {

bool Parse(std::vector<const char*> args, SimOptions& out, std::string& error) {
    args.insert(args.begin(), "vogame_sim");
    return ParseSimOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), out, error);
}

TEST(SimOptions, ReadsEveryOption) {
    SimOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--servers", "3", "--players", "5000", "--days", "2.5", "--step-minutes", "15", "--seed",
                       "42", "--start", "2025-06-30", "--threads", "--echo", "--quiet", "--library", "/x.so",
                       "--rules", "/r.ini", "--top", "25", "--format", "json", "--timing", "--no-requests"},
                      o, error))
        << error;
    EXPECT_EQ(o.servers, 3);
    EXPECT_EQ(o.players, 5000);
    EXPECT_DOUBLE_EQ(o.hours, 60.0);
    EXPECT_EQ(o.stepMinutes, 15);
    EXPECT_EQ(o.seed, 42u);
    EXPECT_EQ(o.year * 10000 + o.month * 100 + o.day, 20250630);
    EXPECT_TRUE(o.threads && o.echo && o.quiet && o.json && o.timing);
    EXPECT_FALSE(o.requests);
    EXPECT_EQ(o.library, "/x.so");
    EXPECT_EQ(o.rules, "/r.ini");
    EXPECT_EQ(o.top, 25);
    EXPECT_FALSE(o.help);
}

// Days and hours add up in either order; either alone replaces the default length.
TEST(SimOptions, DaysAndHoursAddUp) {
    SimOptions o;
    std::string error;
    EXPECT_DOUBLE_EQ(o.hours, 72.0);
    ASSERT_TRUE(Parse({"--hours", "6", "--days", "1"}, o, error)) << error;
    EXPECT_DOUBLE_EQ(o.hours, 30.0);
    SimOptions h;
    ASSERT_TRUE(Parse({"--hours", "5"}, h, error)) << error;
    EXPECT_DOUBLE_EQ(h.hours, 5.0);
    SimOptions d;
    ASSERT_TRUE(Parse({"--days", "0"}, d, error)) << error;
    EXPECT_DOUBLE_EQ(d.hours, 0.0);
}

TEST(SimOptions, RefusesUnknownOptionsMissingAndOutOfRangeValues) {
    for (const auto& args : std::vector<std::vector<const char*>>{{"--bogus"},
                                                                  {"--servers"},
                                                                  {"--servers", "0"},
                                                                  {"--servers", "3x"},
                                                                  {"--players", "-1"},
                                                                  {"--days", "abc"},
                                                                  {"--days", "-1"},
                                                                  {"--hours", "nan"},
                                                                  {"--top", "0"},
                                                                  {"--top", "151"},
                                                                  {"--format", "xml"},
                                                                  {"--format"},
                                                                  {"--rules", ""},
                                                                  {"--rules", "/r.ini", "--resources", "/res"},
                                                                  {"--start", "2024-13-01"},
                                                                  {"--library"}}) {
        SimOptions o;
        std::string error;
        EXPECT_FALSE(Parse(args, o, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(SimOptions, HelpIsRecognisedAmongOtherOptions) {
    SimOptions o;
    std::string error;
    EXPECT_TRUE(Parse({"--seed", "3", "--help"}, o, error));
    EXPECT_TRUE(o.help);
}

}  // namespace
