// The host's sibling modules: watches with previous values, timed events,
// letters and virtual records.
#include <gtest/gtest.h>

#include <cstdio>
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
    for (int i = 0; i < 20; ++i) {
        char property[8];
        std::snprintf(property, sizeof property, "P%d", i);
        critical->AddPropertyWatch(kernel, self, property, "T::OnLevel");
    }
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

    PubDataStore store;
    Server server{store, 1};
    HostKernel& k = server.Kernel();
    CriticalManagerSystem* critical = nullptr;
    ObjectId ann;
};

TEST_F(Siblings, EverySetOfAWatchedPropertyCallsTheWatchWithThePreviousValue) {
    ASSERT_TRUE(critical->AddPropertyWatch(&k, ann, "Level", "T::OnLevel"));
    k.SetInt(ann, "Level", 5);
    server.SetProperty(ann, "Level", 5);  // unchanged values are reported too
    k.SetInt(ann, "Other", 9);            // refused: no such property, no call
    EXPECT_EQ(g_seen, (std::vector<std::string>{"Level 1->5", "Level 5->5"}));
    EXPECT_EQ(critical->CallbacksRun(), 2u);
}

TEST_F(Siblings, AWatchIsKeptOncePerObjectPropertyAndName) {
    critical->AddPropertyWatch(&k, ann, "Level", "T::OnLevel");
    critical->AddPropertyWatch(&k, ann, "Level", "T::OnLevel");
    critical->AddPropertyWatch(&k, ann, "Name", "T::OnName");
    EXPECT_EQ(critical->WatchCount(ann), 2u);
    k.SetInt(ann, "Level", 2);
    k.SetWideStr(ann, "Name", u"Anna");
    EXPECT_EQ(g_seen, (std::vector<std::string>{"Level 1->2", "Name was 5"}));
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

TEST_F(Siblings, AnUndeclaredNameIsDiagnosedWhenItWouldFire) {
    critical->AddPropertyWatch(&k, ann, "Level", "T::Nobody");
    k.SetInt(ann, "Level", 3);
    EXPECT_TRUE(g_seen.empty());
    EXPECT_EQ(k.Diagnostics().Size(), 1u);
}

TEST_F(Siblings, TimedEventsFireDailyAsCommand326OnTheirSceneAndRepeatsAreKept) {
    k.AddCommandCallback("BaseScene", 326, OnTimed, 3);
    k.SetClock(2024, 1, 1, 12, 0, 0);
    EventTimeSystem* events = server.EventTime();
    CVarList none;
    EXPECT_TRUE(events->AddTimeEvent(13, "02:00:00", 3, none));
    EXPECT_TRUE(events->AddTimeEvent(13, "02:00:00", 3, none));
    EXPECT_TRUE(events->AddTimeEvent(12, "13:30:00", 1, none));
    EXPECT_FALSE(events->AddTimeEvent(13, "", 3, none));
    EXPECT_FALSE(events->AddTimeEvent(13, "25:00:00", 3, none));
    EXPECT_EQ(events->Refused(), 2u);
    k.Advance(2 * HostClock::kMsPerDay);
    EXPECT_EQ(g_seen, (std::vector<std::string>{
                          "326 kind 12 scene 1 at 48600 day 45292", "326 kind 13 scene 3 at 7200 day 45293",
                          "326 kind 13 scene 3 at 7200 day 45293", "326 kind 12 scene 1 at 48600 day 45293",
                          "326 kind 13 scene 3 at 7200 day 45294", "326 kind 13 scene 3 at 7200 day 45294"}));
    EXPECT_EQ(events->Fired(), 6u);
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

TEST_F(Siblings, LettersAndVirtualRecordsAreKeptWithEveryArgument) {
    LetterSystem* letters = server.Letters();
    letters->SendLetter(&k, u"System", u"Ann", u"T", u"C", u"13014999,1,,,;", 5, u"");
    letters->SendLetter(&k, u"System", u"Ann", u"T2", u"C2", u"", 5, u"x");
    ASSERT_EQ(letters->Mailbox(u"Ann").size(), 2u);
    EXPECT_EQ(letters->Mailbox(u"Ann")[0].attachment, u"13014999,1,,,;");
    EXPECT_EQ(letters->Mailbox(u"Ann")[1].extra, u"x");
    EXPECT_EQ(letters->Mailbox(u"Ann")[0].sentMs, k.Clock().NowMs() / 1000 * 1000);
    EXPECT_TRUE(letters->Mailbox(u"Bob").empty());
    EXPECT_EQ(letters->TotalLetters(), 2u);

    CVarList values;
    values << 1 << u"King";
    server.VirtualRec()->SendVirtualRecord(&k, ann, "Game.NationResource", values);
    auto sent = server.VirtualRec()->SentTo(ann);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]->recName, "Game.NationResource");
    EXPECT_EQ(std::u16string(sent[0]->values.WideStringAt(1)), u"King");
}

}  // namespace
