// The run's course: a sample per simulated hour of the lists as the store holds
// them and of each server's counters, as changes since the sample before.
#include <gtest/gtest.h>

#include "host/HostClock.h"
#include "host/MemoryPubDataStore.h"
#include "sim/SimCostMeter.h"
#include "sim/SimTimeline.h"

namespace {

// The charm list with rows of (name, charm).
void SeedCharmList(MemoryPubDataStore& store, const std::vector<std::pair<std::u16string, int>>& rows) {
    std::vector<std::vector<HostValue>> values;
    for (const auto& [name, charm] : rows)
        values.push_back({name, 1, 1, 0, std::string(), 0, std::u16string(), charm, 0});
    ASSERT_TRUE(store.Seed(u"Pub_CharmTopInfo", "CharmTopRec", 150,
                           {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_STRING, VT_INT, VT_WIDESTR, VT_INT, VT_INT},
                           values));
}

TEST(SimTimeline, SamplesEachHourTheChangesSinceTheSampleBefore) {
    MemoryPubDataStore store;
    const std::int64_t start = HostClock::MsOf(2024, 1, 1);
    constexpr std::int64_t kMinute = 60'000;
    SimTimeline timeline(store, start, 1);
    SeedCharmList(store, {{u"Ann", 100}, {u"Bob", 90}, {u"Cy", 80}});
    SimServerCounters logins;
    logins.kernelCalls = 1000;
    timeline.Begin({logins}, {0, 5, 0}, std::nullopt);

    EXPECT_FALSE(timeline.Due(start + 50 * kMinute, false));
    EXPECT_TRUE(timeline.Due(start + 60 * kMinute, false));
    SeedCharmList(store, {{u"Bob", 120}, {u"Ann", 100}, {u"Dee", 85}});
    SimServerCounters hour = logins;
    hour.kernelCalls = 1500;
    hour.lockTakes = 10;
    hour.failedLockTries = 4;
    hour.lockWaits = 2;
    // The takeover and the fenced holder's line both say "taken over"; each is counted once.
    hour.CountLibraryLog(
        {"PubRecordHandle: lock L of the list R was held without a release for 2000 ms; taken over as "
         "left by a stopped server (takeover 1 of this server)",
         "PubRecordHandle: lock L of the list R was taken over by another server while this server "
         "held it; this server's rewrite is given up",
         "another line"});
    timeline.Sample(start + 70 * kMinute, {hour}, {0, 12, 0}, std::nullopt);  // a 35-minute step ends past the hour
    EXPECT_FALSE(timeline.Due(start + 110 * kMinute, false)) << "the next hour is the second";
    EXPECT_TRUE(timeline.Due(start + 120 * kMinute, false));
    EXPECT_TRUE(timeline.Due(start + 110 * kMinute, true)) << "the run's end is sampled too";
    EXPECT_FALSE(timeline.Due(start + 70 * kMinute, true)) << "but not twice";

    SimReport report;
    timeline.Report(report, SimCostMeter(), false);
    const Json t = report.ToJson()["timeline"];
    EXPECT_EQ(t["samples"], Json::array({"2024-01-01T01:10:00"}));
    const Json& charm = t["lists"][1];
    EXPECT_EQ(charm["list"], "charm");
    EXPECT_EQ((std::vector<Json>{charm["rows"][0], charm["rank_1"][0], charm["last_rank"][0], charm["entered"][0],
                                 charm["left"][0], charm["rank_changes"][0], charm["locked_rewrites"][0]}),
              (std::vector<Json>{3, 120, 85, 1, 1, 2, 7}));
    EXPECT_EQ(t["lists"][0]["rows"][0], 0) << "a list not yet made is empty";
    EXPECT_TRUE(t["lists"][0]["rank_1"][0].is_null());
    EXPECT_EQ(t["servers"][0], Json({{"server", 1},
                                     {"locked_rewrites", {11}},
                                     {"failed_lock_tries", {4}},
                                     {"waited_takes", {2}},
                                     {"takeovers", {1}},
                                     {"refused_writes", {1}},
                                     {"kernel_calls", {500}}}));
    EXPECT_TRUE(t["round_trips"].is_null());
}

}  // namespace
