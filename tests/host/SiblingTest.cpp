// The host's sibling modules: watches with previous values and timed events.
// Letters and virtual records are read back by the leaderboard test programs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/World.h"

namespace {

std::vector<std::string> g_seen;

int OnLevel(IKernel* kernel, const ObjectId& self, const char* property, const IVarList& previous) {
    g_seen.push_back(std::string(property) + " " + std::to_string(previous.IntAt(0)) + "->" +
                     std::to_string(kernel->QueryInt(self, property)));
    return 1;
}

int OnName(IKernel*, const ObjectId&, const char* property, const IVarList& previous) {
    g_seen.push_back(std::string(property) + " was " + std::to_string(previous.TypeAt(0)));
    return 1;
}

// Adds a second watch from inside a callback, as a module does when a player qualifies.
int OnGate(IKernel* kernel, const ObjectId& self, const char*, const IVarList&) {
    g_seen.push_back("gate");
    auto* critical = static_cast<ICriticalManagerSystem*>(kernel->GetLogicModule("CriticalManagerSystem"));
    for (int i = 0; i < 20; ++i)
        critical->AddPropertyWatch(kernel, self, ("P" + std::to_string(i)).c_str(), "T::OnLevel");
    return 1;
}

int OnTimed(IKernel* kernel, const ObjectId& self, const ObjectId&, const IVarList& args) {
    double date = 0, time = 0;
    kernel->GetCurrentDateTime(date, time);
    g_seen.push_back("326 kind " + std::to_string(args.IntAt(1)) + " scene " +
                     std::to_string(kernel->GetSceneIdOf(self)) + " at " + std::to_string(static_cast<int>(time)) +
                     " day " + std::to_string(static_cast<int>(date)));
    return 1;
}

class Siblings : public ::testing::Test {
protected:
    void SetUp() override {
        g_seen.clear();
        server.CreateScene(1, "HomeScene");
        server.CreateScene(3, "BaseScene", "ChallengeWaitScene");
        ann = server.CreatePlayer(u"Ann", 3, {{"Level", 1}});
        critical = server.Critical();
        critical->DeclarePropertyCallback(&k, OnLevel, "T::OnLevel");
        critical->DeclarePropertyCallback(&k, OnName, "T::OnName");
        critical->DeclarePropertyCallback(&k, OnGate, "T::OnGate");
    }

    MemoryPubDataStore store;
    Server server{store, 1};
    HostKernel& k = server.Kernel();
    CriticalManagerSystem* critical = nullptr;
    ObjectId ann;
};

TEST_F(Siblings, AWatchRunsOnEverySetWithThePreviousValueOncePerObjectPropertyAndName) {
    ASSERT_TRUE(critical->AddPropertyWatch(&k, ann, "Level", "T::OnLevel"));
    critical->AddPropertyWatch(&k, ann, "Level", "T::OnLevel");
    critical->AddPropertyWatch(&k, ann, "Name", "T::OnName");
    critical->AddPropertyWatch(&k, ann, "Level", "T::Nobody");  // undeclared: diagnosed when it would fire
    EXPECT_EQ(critical->WatchCount(ann), 3u);
    k.SetInt(ann, "Level", 5);
    server.SetProperty(ann, "Level", 5);  // unchanged values are reported too
    k.SetInt(ann, "Other", 9);            // refused: no such property, no call
    k.SetWideStr(ann, "Name", u"Anna");
    EXPECT_EQ(g_seen, (std::vector<std::string>{"Level 1->5", "Level 5->5", "Name was 5"}));
    EXPECT_EQ(k.Diagnostics().Size(), 2u) << k.Diagnostics().Joined();
    EXPECT_FALSE(critical->AddPropertyWatch(&k, ObjectId{77, 1}, "Level", "T::OnLevel")) << "no such object";
    k.Diagnostics().Clear();
}

TEST_F(Siblings, AWatchAddedInsideACallbackDoesNotDisturbTheRunningOnes) {
    critical->AddPropertyWatch(&k, ann, "Level", "T::OnGate");
    critical->AddPropertyWatch(&k, ann, "Level", "T::OnLevel");
    k.SetInt(ann, "Level", 3);
    EXPECT_EQ(g_seen, (std::vector<std::string>{"gate", "Level 1->3"}));
    EXPECT_EQ(critical->WatchCount(ann), 22u);
}

TEST_F(Siblings, TimedEventsFireDailyAsCommand326OnTheirSceneAndRepeatsAreKept) {
    k.AddCommandCallback("BaseScene", 326, OnTimed, 3);
    k.SetClock(2024, 1, 1, 12, 0, 0);
    EventTimeSystem* events = server.EventTime();
    CVarList none;
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(events->AddTimeEvent(13, "02:00:00", 3, none));
    EXPECT_TRUE(events->AddTimeEvent(12, "13:30:00", 1, none));
    EXPECT_FALSE(events->AddTimeEvent(13, "", 3, none));
    EXPECT_FALSE(events->AddTimeEvent(13, "25:00:00", 3, none));
    k.Advance(2 * HostClock::kMsPerDay);
    EXPECT_EQ(g_seen, (std::vector<std::string>{
                          "326 kind 12 scene 1 at 48600 day 45292", "326 kind 13 scene 3 at 7200 day 45293",
                          "326 kind 13 scene 3 at 7200 day 45293", "326 kind 12 scene 1 at 48600 day 45293",
                          "326 kind 13 scene 3 at 7200 day 45294", "326 kind 13 scene 3 at 7200 day 45294"}));
    // Setting the clock days ahead replays nothing: the next firing keeps its time of day.
    g_seen.clear();
    k.SetClock(2024, 2, 1, 1, 0, 0);
    k.Advance(3600 * 1000);
    EXPECT_EQ(g_seen, (std::vector<std::string>{"326 kind 13 scene 3 at 7200 day 45323",
                                                "326 kind 13 scene 3 at 7200 day 45323"}));
    // At the very moment of its time a new registration waits for the next day.
    g_seen.clear();
    EXPECT_TRUE(events->AddTimeEvent(14, "02:00:00", 3, none));
    k.Advance(HostClock::kMsPerDay - 1000);
    EXPECT_EQ(g_seen.size(), 1u) << "13:30 of kind 12, no 02:00 yet";
    k.Advance(1000);
    EXPECT_EQ(g_seen.size(), 4u);
    EXPECT_EQ(g_seen.back(), "326 kind 14 scene 3 at 7200 day 45324");
    events->Forget();
    g_seen.clear();
    k.Advance(HostClock::kMsPerDay);
    EXPECT_TRUE(g_seen.empty());
}

}  // namespace
