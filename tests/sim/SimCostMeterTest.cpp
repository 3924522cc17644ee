// What each kind of the simulator's actions cost: true percentiles, and the
// same figures whether the counts were seen here or sent by a server process.
#include <gtest/gtest.h>

#include <string>

#include "sim/SimCostMeter.h"

namespace {

TEST(SimCostMeter, PercentilesAreNearestRanksOverEveryAction) {
    SimCostMeter meter;
    for (std::uint64_t calls = 1; calls <= 100; ++calls) meter.Named("clock step", meter.Start(1000), 1000 + calls);
    meter.Property("GuildContribut", meter.Start(7), 7);  // watched by nobody: no call
    const Json report = meter.Report(false);
    ASSERT_EQ(report.size(), 2u);
    EXPECT_EQ(report[0]["operation"], "change of GuildContribut") << "by name";
    EXPECT_EQ(report[0]["kernel_calls"]["max"], 0);
    EXPECT_EQ(report[1]["count"], 100);
    EXPECT_EQ(report[1]["kernel_calls"],
              Json({{"min", 1}, {"p50", 50}, {"p90", 90}, {"p99", 99}, {"max", 100}, {"mean", 50.5}}));
    EXPECT_TRUE(report[1]["round_trips"].is_null());
}

TEST(SimCostMeter, CountsSentByAServerProcessAddUpAsIfSeenHere) {
    std::uint64_t trips = 0;
    SimCostMeter process, here;
    for (SimCostMeter* m : {&process, &here}) m->CountTripsWith([&trips] { return trips; });
    const auto act = [&](SimCostMeter& m, const char* property, std::uint64_t calls, std::uint64_t roundTrips) {
        const SimCostMeter::Mark start = m.Start(0);
        trips += roundTrips;
        m.Property(property, start, calls);
    };
    act(process, "Level", 30, 20);
    act(process, "Level", 40, 25);
    // The same name at another address is the same kind.
    const std::string level = "Level";
    act(here, level.c_str(), 42, 25);
    const SimCostMeter::Mark start = here.Start(0);
    here.Request(140911, start, 1400);

    SimCostMeter parent;
    parent.MergeJson(process.ToJson());
    parent.Merge(here);
    SimCostMeter all;
    for (auto [calls, roundTrips] : {std::pair{30, 20}, {40, 25}, {42, 25}}) {
        all.CountTripsWith([roundTrips = roundTrips] { return static_cast<std::uint64_t>(roundTrips); });
        all.Property("Level", {0, 0}, static_cast<std::uint64_t>(calls));
    }
    all.CountTripsWith([] { return std::uint64_t{0}; });
    all.Request(140911, {0, 0}, 1400);
    EXPECT_EQ(parent.Report(true), all.Report(true));
    EXPECT_EQ(parent.Report(true)[0]["operation"], "change of Level");
    EXPECT_EQ(parent.Report(true)[0]["round_trips"]["max"], 25);
}

}  // namespace
