// The host check plug-in passes in the reference host, and each host fault of
// the contract that a test can switch on makes it fail with a line naming the
// rule the fault breaks.
#include <gtest/gtest.h>

#include <string>

#include "FaultyPubDataStore.h"
#include "HostCheckRun.h"
#include "host/KernelText.h"

namespace {

std::string Joined(const HostCheckLines& run) {
    std::string text;
    for (const std::string& line : run.lines) text += line + "\n";
    return text;
}

void ExpectAllPassed(const std::vector<HostCheckLines>& runs, std::size_t servers) {
    ASSERT_EQ(runs.size(), servers);
    for (const HostCheckLines& run : runs) {
        EXPECT_EQ(run.failed, 0) << Joined(run);
        EXPECT_GE(run.passed, 35) << Joined(run);
        // Every rule once: the two-server rules are checked here, not skipped.
        for (const char* rule : {"lock-exclusion", "lock-visibility", "one-time-zone", "text-lifetime",
                                 "property-watch", "daily-event", "reply-message", "virtual-record"})
            EXPECT_TRUE(servers < 2 || run.Has("PASS", rule)) << rule << "\n" << Joined(run);
    }
}

// The first server's run; the check must have failed with a line for the rule.
void ExpectCaught(const std::vector<HostCheckLines>& runs, const std::string& rule) {
    bool caught = false;
    for (const HostCheckLines& run : runs) {
        EXPECT_GT(run.failed, 0) << Joined(run);
        caught = caught || run.Has("FAIL", rule);
    }
    EXPECT_TRUE(caught) << "no FAIL " << rule << " line in:\n" << (runs.empty() ? "" : Joined(runs.front()));
}

TEST(HostCheck, PassesOnTheReferenceHostWithTwoServers) {
    HostCheckSetup setup;
    setup.servers = 2;
    const auto runs = RunHostCheck(std::move(setup));
    ExpectAllPassed(runs, 2);
    // The host's log gets every line the file gets, in the same order.
    for (const HostCheckLines& run : runs) EXPECT_EQ(run.logged, run.lines);
}

// Saved records are seen across a restart of the servers (the reference
// host's public data outlives them), by the second run.
TEST(HostCheck, SeesSavedRecordsOnItsNextRun) {
    HostCheckSetup setup;
    setup.runs = 2;
    const auto runs = RunHostCheck(std::move(setup));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(runs.front().Has("PASS", "saved-records")) << Joined(runs.front());
    EXPECT_EQ(runs.front().failed, 0) << Joined(runs.front());
}

// What never arrives is reported missing once five minutes of host time have
// passed, with what to do, and the check closes by itself.
TEST(HostCheck, ReportsWhatNeverArrived) {
    HostCheckSetup setup;
    setup.player = false;
    setup.waitMs = 6 * 60'000;
    const auto runs = RunHostCheck(std::move(setup));
    ASSERT_EQ(runs.size(), 1u);
    const HostCheckLines& run = runs.front();
    EXPECT_EQ(run.logged, run.lines) << "closed by the check's heartbeat, not at unload";
    EXPECT_TRUE(run.Has("FAIL", "event-player-load")) << Joined(run);
    EXPECT_TRUE(run.Has("FAIL", "custom-message")) << Joined(run);
    EXPECT_TRUE(run.Has("PASS", "daily-event")) << Joined(run);
    // The player's load, his 1009, his watch, the command to his scene, his client's message.
    EXPECT_EQ(run.failed, 5) << Joined(run);
    EXPECT_TRUE(run.Has("SKIP", "player-properties")) << Joined(run);
}

// Strict text (the default) holds the check to the text rule as it holds the
// library; a host that hands out its own text passes too.
TEST(HostCheck, PassesWithTheHostsOwnTextHandedOut) {
    HostCheckSetup setup;
    setup.options.strictKernelText = false;
    ExpectAllPassed(RunHostCheck(std::move(setup)), 1);
}

TEST(HostCheck, CatchesACompareAndSetThatIsNotAtomic) {
    auto store = std::make_unique<FaultyPubDataStore>();
    store->nonAtomicCompareSet = true;
    HostCheckSetup setup;
    setup.servers = 2;
    setup.store = std::move(store);
    ExpectCaught(RunHostCheck(std::move(setup)), "lock-exclusion");
}

TEST(HostCheck, CatchesARecordThatCannotBeAddedAgain) {
    auto store = std::make_unique<FaultyPubDataStore>();
    store->noReAdd = true;
    HostCheckSetup setup;
    setup.store = std::move(store);
    ExpectCaught(RunHostCheck(std::move(setup)), "record-readd");
}

TEST(HostCheck, CatchesTextReusedBeforeTheNextCall) {
    HostCheckSetup setup;
    setup.beforeEvents = [](Server& s) { s.Kernel().SetTextReusedEarly(true); };
    ExpectCaught(RunHostCheck(std::move(setup)), "text-lifetime");
}

TEST(HostCheck, CatchesARecordBoundBelowTheLists) {
    auto store = std::make_unique<FaultyPubDataStore>();
    store->maxRecordRows = 100;
    HostCheckSetup setup;
    setup.store = std::move(store);
    ExpectCaught(RunHostCheck(std::move(setup)), "record-shape");
}

// A server that stops answering public data mid-check, as a crash would: the
// check cannot finish by itself, and says so at unload.
TEST(HostCheck, CatchesAServerHaltedInsideThePublicDataChecks) {
    HostCheckSetup setup;
    setup.beforeEvents = [](Server& s) { s.HaltAt(HaltTrigger::AtCall(60)); };
    const auto runs = RunHostCheck(std::move(setup));
    ASSERT_EQ(runs.size(), 1u);
    const auto failures = runs.front().Failures();
    ASSERT_FALSE(failures.empty()) << Joined(runs.front());
    EXPECT_EQ(failures.front().rfind("FAIL record-", 0), 0u) << Joined(runs.front());
    EXPECT_TRUE(runs.front().Has("FAIL", "event-player-load")) << Joined(runs.front());
}

TEST(HostCheck, CatchesAMissingSibling) {
    HostCheckSetup setup;
    setup.options.withLetter = false;
    ExpectCaught(RunHostCheck(std::move(setup)), "siblings");
}

}  // namespace
