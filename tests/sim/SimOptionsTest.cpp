// The simulator's command line.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "sim/SimOptions.h"

namespace {

bool Parse(std::vector<const char*> args, SimOptions& out, std::string& error) {
    args.insert(args.begin(), "vogame_sim");
    return ParseSimOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), out, error);
}

TEST(SimOptions, ReadsEveryOption) {
    SimOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--servers",      "3",
                       "--players",      "4000",
                       "--days",         "2.5",
                       "--step-minutes", "15",
                       "--seed",         "42",
                       "--start",        "2025-06-30",
                       "--threads",      "--echo",
                       "--quiet",        "--progress",
                       "--html",         "run.html",
                       "--library",      "/x.so",
                       "--rules",        "/r.ini",
                       "--top",          "25",
                       "--format",       "json",
                       "--timing",       "--no-requests",
                       "--without",      "LetterSystem",
                       "--without",      "EventTimeSystem",
                       "--without",      "LetterSystem",
                       "--stop-server",  "2@1:14:30",
                       "--stop-server",  "3@367:23:59"},
                      o, error))
        << error;
    EXPECT_EQ((std::vector<int>{o.servers, o.players, o.stepMinutes, o.top, o.year, o.month, o.day}),
              (std::vector<int>{3, 4000, 15, 25, 2025, 6, 30}));
    EXPECT_DOUBLE_EQ(o.hours, 60.0);
    EXPECT_EQ(o.seed, 42u);
    EXPECT_TRUE(o.threads && o.echo && o.quiet && o.progress && o.json && o.timing);
    EXPECT_EQ(o.html, "run.html");
    EXPECT_FALSE(o.requests);
    EXPECT_EQ(o.library, "/x.so");
    EXPECT_EQ(o.rules, "/r.ini");
    EXPECT_EQ(o.without, (std::vector<std::string>{"LetterSystem", "EventTimeSystem"}));
    ASSERT_EQ(o.stops.size(), 2u);
    EXPECT_EQ((std::vector<int>{o.stops[0].server, o.stops[0].day, o.stops[0].hour, o.stops[0].minute}),
              (std::vector<int>{2, 1, 14, 30}));
    EXPECT_EQ(o.stops[0].OffsetMs(), (14 * 60 + 30) * 60'000);
    EXPECT_EQ(o.stops[1].OffsetMs(), ((366LL * 24 + 23) * 60 + 59) * 60'000);
    EXPECT_FALSE(o.help);
    // The process form of a stop: the same reader, the servers' own processes over a shared store.
    SimOptions p;
    ASSERT_TRUE(Parse({"--servers", "4", "--store", "redis://127.0.0.1:6379/w", "--fresh", "--processes",
                       "--kill-server", "4@2:10:05"},
                      p, error))
        << error;
    EXPECT_TRUE(p.processes && p.fresh);
    EXPECT_EQ(p.store, "redis://127.0.0.1:6379/w");
    ASSERT_EQ(p.kills.size(), 1u);
    EXPECT_EQ(p.kills[0].OffsetMs(), ((24LL + 10) * 60 + 5) * 60'000);
    EXPECT_TRUE(p.stops.empty());
    EXPECT_TRUE(Parse({"--seed", "3", "--help"}, o, error));
    EXPECT_TRUE(o.help) << "help is recognised among other options";
}

// Days and hours add up in either order; either alone replaces the default length.
TEST(SimOptions, DaysAndHoursAddUp) {
    const std::vector<std::pair<std::vector<const char*>, double>> cases = {
        {{}, 72.0}, {{"--hours", "6", "--days", "1"}, 30.0}, {{"--hours", "5"}, 5.0}, {{"--days", "0"}, 0.0}};
    for (const auto& [args, hours] : cases) {
        SimOptions o;
        std::string error;
        ASSERT_TRUE(Parse(args, o, error)) << error;
        EXPECT_DOUBLE_EQ(o.hours, hours) << args.size();
    }
}

// The last day of February and the largest seed are the edges of what is accepted.
TEST(SimOptions, AcceptsRealDatesAndTheWholeSeedRange) {
    SimOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--start", "2024-02-29", "--seed", "9223372036854775807", "--hours", "0.5"}, o, error)) << error;
    EXPECT_EQ((std::vector<int>{o.year, o.month, o.day}), (std::vector<int>{2024, 2, 29}));
    EXPECT_EQ(o.seed, 9223372036854775807u);
    EXPECT_DOUBLE_EQ(o.hours, 0.5);
}

// Every refusal is one line that names the option and quotes the value it got.
TEST(SimOptions, RefusesUnknownOptionsMissingAndOutOfRangeValues) {
    const std::vector<std::vector<const char*>> refused = {
        {"--bogus"},
        {"--servers"},
        {"--servers", "0"},
        {"--servers", "3x"},
        {"--servers", " 4"},
        {"--servers", "+4"},
        {"--players", "-1"},
        {"--players", "12 "},
        {"--seed", "99999999999999999999999"},
        {"--seed", "-1"},
        {"--step-minutes", "0x10"},
        {"--days", "abc"},
        {"--days", "-1"},
        {"--days", "1e1"},
        {"--hours", "nan"},
        {"--hours", " 5"},
        {"--top", "0"},
        {"--top", "151"},
        {"--top", ""},
        {"--format", "xml"},
        {"--format"},
        {"--rules", ""},
        {"--html"},
        {"--start", "2024-13-01"},
        {"--start", "2024-02-31"},
        {"--start", "2023-02-29"},
        {"--start", "2024-1-1junk"},
        {"--start", "2024-01-01junk"},
        {"--start", "2024-1-1"},
        {"--start", "1970-01-01"},
        {"--library"},
        {"--without", "letterSystem"},
        {"--without"},
        {"--stop-server", "2@1:14"},
        {"--stop-server", "2@0:10:00"},
        {"--stop-server", "0@1:10:00"},
        {"--stop-server", "2@1:24:00"},
        {"--stop-server", "2@1:10:60"},
        {"--stop-server", "2-1:10:00"},
        {"--stop-server", "2@1:10:00 "},
        {"--stop-server", "3@1:10:00"},
        {"--kill-server", "2@1:14"},
        {"--kill-server", "2@1:10:00", "--servers", "2"},
        {"--kill-server", "3@1:10:00", "--processes", "--store", "redis://127.0.0.1:6379"},
        {"--stop-server", "2@1:10:00", "--processes", "--store", "redis://127.0.0.1:6379"},
        {"--processes"},
        {"--store", "postgres://127.0.0.1:5432", "--fresh"},
        {"--rules", "/r.ini", "--resources", "/res"}};
    for (const auto& args : refused) {
        SimOptions o;
        std::string error;
        EXPECT_FALSE(Parse(args, o, error)) << args[0];
        EXPECT_NE(error.find(args[0]), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        if (args.size() == 2 && *args[1] != '\0') {
            EXPECT_NE(error.find(std::string("\"") + args[1] + "\""), std::string::npos) << error;
        }
    }
}

}  // namespace
