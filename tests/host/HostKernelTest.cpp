// The in-memory kernel: class tree, callback order, routing, clock, records.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/HostKernel.h"
#include "host/KernelText.h"
#include "host/MemoryPubDataStore.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace {

using Trail = std::vector<std::string>;

bool Poisoned([[maybe_unused]] const void* text) {
#if defined(__SANITIZE_ADDRESS__)
    return __asan_address_is_poisoned(text) != 0;
#else
    return false;
#endif
}

template <typename... Values>
CVarList List(Values... values) {
    CVarList list;
    (list << ... << values);
    return list;
}

// Callbacks are plain functions, so they report into this trail.
Trail g_trail;
ObjectId g_sceneSeen;

template <int Tag>
int Note(IKernel* kernel, const ObjectId& self, const ObjectId&, const IVarList& args) {
    g_sceneSeen = kernel->GetScene();
    std::string entry = std::to_string(Tag) + ":" + std::to_string(self.ident);
    if (args.Size() > 1 && args.TypeAt(1) == VT_INT) entry += ":" + std::to_string(args.IntAt(1));
    g_trail.push_back(entry);
    return 1;
}

int Beat(IKernel* kernel, const ObjectId& self) {
    double date = 0, time = 0;
    kernel->GetCurrentDateTime(date, time);
    g_trail.push_back("beat:" + std::to_string(self.ident) + "@" + std::to_string(static_cast<int>(time)));
    return 1;
}

class Kernel : public ::testing::Test {
protected:
    void SetUp() override {
        g_trail.clear();
        home = k.CreateScene(1, "HomeScene");
        plain = k.CreateScene(2);
        challenge = k.CreateScene(4, "BaseScene", "ChallengeWaitScene");
        ann = k.CreatePlayer(u"Ann", 2);
        bob = k.CreatePlayer(u"Bob", 4);
    }
    std::string Id(const ObjectId& o) { return std::to_string(o.ident); }

    MemoryPubDataStore store;
    HostKernel k{store, 1};
    ObjectId home, plain, challenge, ann, bob;
};

TEST_F(Kernel, ScenesHaveIdsAndPlayersAreFoundByName) {
    EXPECT_EQ(k.GetSceneIdOf(challenge), 4);
    EXPECT_EQ(k.GetSceneIdOf(ann), 0) << "a player is no scene";
    EXPECT_EQ(k.GetSceneOf(bob), challenge);
    EXPECT_EQ(std::string(k.GetConfigName(challenge)), "ChallengeWaitScene");
    EXPECT_TRUE(k.CreateScene(4).IsNull());
    EXPECT_TRUE(k.CreatePlayer(u"Ann", 2).IsNull()) << "a name is online once";
    // A renamed player is found by the new name only; a destroyed one not at all.
    EXPECT_TRUE(k.SetWideStr(ann, "Name", u"Anna"));
    EXPECT_TRUE(k.FindPlayer(u"Ann").IsNull());
    EXPECT_EQ(k.FindPlayer(u"Anna"), ann);
    EXPECT_TRUE(k.DestroyObject(ann));
    EXPECT_TRUE(k.FindPlayer(u"Anna").IsNull());
}

TEST_F(Kernel, EventsReachTheClassAndEveryClassAboveItInPriorityOrder) {
    k.AddEventCallback("BaseScene", "OnLoad", Note<1>, 3);
    k.AddEventCallback("HomeScene", "OnLoad", Note<2>, 3);
    k.AddEventCallback("HomeScene", "OnLoad", Note<3>, 1);
    k.AddEventCallback("player", "OnLoad", Note<4>, 3);
    EXPECT_EQ(k.RaiseEvent(home, "OnLoad"), 3);
    EXPECT_EQ(g_trail, (Trail{"3:" + Id(home), "1:" + Id(home), "2:" + Id(home)}));
    EXPECT_EQ(g_sceneSeen, home) << "the object's scene is current during its callbacks";
    EXPECT_EQ(k.RaiseEvent(plain, "OnLoad"), 1) << "a HomeScene callback does not reach a plain BaseScene";
    EXPECT_EQ(k.RaiseEvent(ann, "OnLoad"), 1);
    EXPECT_EQ(g_sceneSeen, plain);
}

TEST_F(Kernel, CommandsGoToPlayersOfASceneOrToEveryScene) {
    k.AddCommandCallback("player", 1063, Note<1>, 3);
    k.AddCommandCallback("BaseScene", 1063, Note<2>, 3);
    const ObjectId cyd = k.CreatePlayer(u"Cyd", 4);
    const CVarList cmd = List(1063, 7);
    EXPECT_TRUE(k.CommandToScene(4, cmd));
    EXPECT_EQ(g_trail, (Trail{"1:" + Id(bob) + ":7", "1:" + Id(cyd) + ":7"}));
    g_trail.clear();
    EXPECT_FALSE(k.CommandToScene(3, cmd)) << "no scene 3";
    EXPECT_TRUE(k.CommandToAllScenes(cmd));
    EXPECT_EQ(g_trail, (Trail{"2:" + Id(home) + ":7", "2:" + Id(plain) + ":7", "2:" + Id(challenge) + ":7"}))
        << "scenes only, HomeScene included, in id order";
}

TEST_F(Kernel, CustomMessagesReachTheirCallbackAndRepliesFillABoundedClientInbox) {
    k.AddCustomCallback(140911, Note<1>, 3);
    EXPECT_EQ(k.DeliverCustomMessage(ann, List(140911, 5)), 1);
    EXPECT_EQ(g_trail, (Trail{"1:" + Id(ann) + ":5"}));
    EXPECT_FALSE(k.SendCustomMessage(ann, home, List(1))) << "a scene has no client";
    EXPECT_EQ(k.Diagnostics().Size(), 1u);
    k.SetInboxLimit(2);
    for (int i = 0; i < 3; ++i) k.SendCustomMessage(ann, ann, List(i));
    ASSERT_EQ(k.Inbox(ann).size(), 2u);
    EXPECT_EQ(k.Inbox(ann)[0].IntAt(0), 1) << "the oldest goes first";
    EXPECT_TRUE(k.Inbox(bob).empty());
}

TEST_F(Kernel, PropertiesAreTypedAndCarryTheirSaveFlag) {
    EXPECT_TRUE(k.AddProperty(ann, "Temp", VT_INT, false));
    EXPECT_FALSE(k.TestPropertyFlag(ann, "Temp")) << "not saved";
    EXPECT_FALSE(k.SetString(ann, "Temp", "x")) << "wrong type";
    EXPECT_FALSE(k.SetInt(ann, "Missing", 1));
    EXPECT_STREQ(k.QueryString(ann, "Temp"), "") << "another type reads neutral";
    EXPECT_FALSE(k.SetDataFloat(ann, "Combo", 1.0f)) << "no such data value";
}

TEST_F(Kernel, ClassesShapeLaterObjectsBelowThemWhoseRecordsAppendAtTheEndOnly) {
    const int npc = k.DefineClass("npc");
    const int guard = k.DefineClass("guard", "npc");
    EXPECT_TRUE(k.AddClassProperty(npc, "Hp", VT_INT, true, ""));
    EXPECT_FALSE(k.AddClassProperty(npc, "Hp", VT_INT, true, "")) << "name taken";
    EXPECT_TRUE(k.AddClassRecord(guard, "Loot", 2, 2, true));
    EXPECT_TRUE(k.SetClassRecordColType(guard, "Loot", 1, VT_WIDESTR));
    EXPECT_FALSE(k.SetClassRecordColType(guard, "Loot", 2, VT_INT));
    k.DefineConfig("Guard01", "guard");
    ObjectId g;
    ASSERT_TRUE(k.CreateObject(g, plain, "Guard01", 0));
    EXPECT_TRUE(k.TestPropertyFlag(g, "Hp"));
    EXPECT_EQ(k.GetSceneOf(g), plain);
    EXPECT_TRUE(k.SetRecordWideStr(g, "Loot", 0, 1, u"gem")) << "row == rows appends";
    EXPECT_EQ(k.AddRecordRow(g, "Loot", 0), 0);
    EXPECT_EQ(std::u16string(k.QueryRecordWideStr(g, "Loot", 1, 1)), u"gem");
    EXPECT_EQ(k.AddRecordRow(g, "Loot", -1), -1) << "full";
    EXPECT_FALSE(k.SetRecordWideStr(g, "Loot", 5, 1, u"x"));
    EXPECT_FALSE(k.SetRecordInt(g, "Loot", 0, 1, 1)) << "int into a text column";
    ObjectId none;
    EXPECT_FALSE(k.CreateObject(none, ObjectId{}, "Sword", 0));
    EXPECT_TRUE(none.IsNull());
}

TEST_F(Kernel, TheClockEncodesDaysSince1899AndSecondsOfTheDay) {
    k.SetClock(2024, 1, 1, 2, 3, 4);
    double date = 0, time = 0;
    ASSERT_TRUE(k.GetCurrentDateTime(date, time));
    EXPECT_EQ((std::vector<double>{date, time}), (std::vector<double>{45292.0, 7384.0}));
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    ASSERT_TRUE(k.SplitDate(45351.0, y, mo, d));  // leap day
    ASSERT_TRUE(k.SplitTime(time, h, mi, s));
    EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s}), (std::vector<int>{2024, 2, 29, 2, 3, 4}));
    EXPECT_FALSE(k.SplitTime(86400.0, h, mi, s));
    EXPECT_FALSE(k.SplitTime(-1.0, h, mi, s));
    EXPECT_FALSE(k.SplitDate(1e300, y, mo, d));
    k.Clock().Set(2023, 12, 31, 23, 59, 59);
    k.Advance(1000);
    k.GetCurrentDateTime(date, time);
    EXPECT_EQ((std::vector<double>{date, time}), (std::vector<double>{45292.0, 0.0})) << "midnight starts a day";
}

TEST_F(Kernel, AdvancingRunsHeartbeatsAndTimersInTimeOrder) {
    k.SetClock(2024, 1, 1, 0, 0, 0);
    EXPECT_FALSE(k.AddHeartBeat(home, "Beat", 1000)) << "not declared";
    ASSERT_TRUE(k.DeclareHeartBeat("Beat", Beat));
    ASSERT_TRUE(k.AddHeartBeat(home, "Beat", 3000));
    EXPECT_FALSE(k.AddHeartBeat(home, "Beat", 1000)) << "attached already";
    ASSERT_TRUE(k.AddHeartBeat(plain, "Beat", 5000));
    k.AddTimer(HostClock::MsOf(2024, 1, 1, 0, 0, 4), 0, [](HostKernel&) { g_trail.push_back("timer@4"); });
    k.Advance(7000);
    EXPECT_EQ(g_trail,
              (Trail{"beat:" + Id(home) + "@3", "timer@4", "beat:" + Id(plain) + "@5", "beat:" + Id(home) + "@6"}));
    g_trail.clear();
    k.DestroyObject(plain);
    k.Advance(3000);
    EXPECT_EQ(g_trail, (Trail{"beat:" + Id(home) + "@9"})) << "a destroyed object beats no more";
}

TEST_F(Kernel, PublicTextReadsAreCopiesThatOutliveChangesToTheStore) {
    const int space = (k.AddPubData(u"Pub", 1), k.GetPubDataIndex(u"Pub"));
    ASSERT_TRUE(k.AddPubRecord(space, "Rec", 10, 1));
    k.SetPubRecordColType(space, "Rec", 0, VT_WIDESTR);
    k.AddPubRecordRowValue(space, "Rec", -1, List(u"first"));
    const char16_t* text = k.QueryPubRecordWideStr(space, "Rec", 0, 0);
    store.SetWideStr(space, "Rec", 0, 0, u"a much longer text that moves the stored buffer");
    store.ClearRecord(space, "Rec");
    EXPECT_EQ(std::u16string(text), u"first");
    EXPECT_EQ(std::u16string(k.QueryPubRecordWideStr(space, "Rec", 0, 0)), u"") << "row gone";
    EXPECT_EQ(k.Diagnostics().Size() + store.Diagnostics().Size(), 1u);
}

}  // namespace

namespace {

// Strict text: every text handed to the library reads as '#' of the same length
// once the next call has ended (and is poisoned, under AddressSanitizer); that
// next call may still take it as an argument.
bool Retired(const char* text, std::size_t length) {
    if (KernelText::PoisonsRetiredText()) return Poisoned(text);
    return std::string(text) == std::string(length, '#');
}
bool Retired(const char16_t* text, std::size_t length) {
    if (KernelText::PoisonsRetiredText()) return Poisoned(text);
    return std::u16string(text) == std::u16string(length, u'#');
}

TEST_F(Kernel, StrictTextIsOverwrittenWhenTheNextCallEnds) {
    EXPECT_TRUE(k.StrictText()) << "on by default";
    const int cls = k.DefineClass("chest");
    k.AddClassRecord(cls, "Loot", 2, 4, false);
    k.SetClassRecordColType(cls, "Loot", 0, VT_STRING);
    k.SetClassRecordColType(cls, "Loot", 1, VT_WIDESTR);
    ObjectId chest;
    ASSERT_TRUE(k.CreateObject(chest, plain, "chest", 0));
    k.SetRecordString(chest, "Loot", 0, 0, "gold");
    k.SetRecordWideStr(chest, "Loot", 0, 1, u"gem");
    k.SetProperty(ann, "Title", std::string("Sir"));
    k.AddData(ann, "Note", VT_STRING);
    k.SetDataString(ann, "Note", "hi");
    k.AddData(ann, "Nick", VT_WIDESTR);
    k.SetDataWideStr(ann, "Nick", u"Annie");
    k.AddPubData(u"Pub", 1);
    const int space = k.GetPubDataIndex(u"Pub");
    k.AddPubRecord(space, "Rec", 4, 2);
    k.SetPubRecordColType(space, "Rec", 0, VT_WIDESTR);
    k.SetPubRecordColType(space, "Rec", 1, VT_STRING);
    k.AddPubRecordRowValue(space, "Rec", -1, List(u"wide", "narrow"));

    const std::vector<std::pair<const char*, std::function<const char*()>>> narrow = {
        {"QueryString", [&] { return k.QueryString(ann, "Title"); }},
        {"QueryDataString", [&] { return k.QueryDataString(ann, "Note"); }},
        {"QueryRecordString", [&] { return k.QueryRecordString(chest, "Loot", 0, 0); }},
        {"QueryPubRecordString", [&] { return k.QueryPubRecordString(space, "Rec", 0, 1); }},
        {"GetConfigName", [&] { return k.GetConfigName(challenge); }},
        {"GetResourcePath", [&] { return k.GetResourcePath(); }}};
    for (const auto& [name, query] : narrow) {
        const char* text = query();
        const std::string copy = text;
        ASSERT_FALSE(copy.empty()) << name;
        EXPECT_STREQ(text, copy.c_str()) << name << ": valid until the next call";
        k.Exists(ann);
        EXPECT_TRUE(Retired(text, copy.size())) << name;
    }
    const std::vector<std::pair<const char*, std::function<const char16_t*()>>> wide = {
        {"QueryWideStr", [&] { return k.QueryWideStr(ann, "Name"); }},
        {"QueryDataWideStr", [&] { return k.QueryDataWideStr(ann, "Nick"); }},
        {"QueryRecordWideStr", [&] { return k.QueryRecordWideStr(chest, "Loot", 0, 1); }},
        {"QueryPubRecordWideStr", [&] { return k.QueryPubRecordWideStr(space, "Rec", 0, 0); }},
        {"QueryPubDataRecordWideStr", [&] { return k.QueryPubDataRecordWideStr(u"Pub", "Rec", 0, 0); }}};
    for (const auto& [name, query] : wide) {
        const char16_t* text = query();
        const std::u16string copy = text;
        ASSERT_FALSE(copy.empty()) << name;
        k.GetSceneCount();
        EXPECT_TRUE(Retired(text, copy.size())) << name;
    }
    // The call right after may take the text as its argument.
    EXPECT_EQ(k.FindPlayer(k.QueryWideStr(ann, "Name")), ann);
    // Without strict mode a kept text stays as it was.
    k.SetStrictText(false);
    k.GetSceneCount();  // retires the last strict text
    const char16_t* name = k.QueryWideStr(ann, "Name");
    k.GetSceneCount();
    EXPECT_EQ(std::u16string(name), u"Ann");
}

// The fault strict text exists to catch: a reply that read the requester's name,
// took the list's lock (more calls) and then looked the name up found nobody, so
// a player listed in row 1 got rank 0 and his current values instead of rank 2
// and his row. The host's lenient mode hid it; strict mode shows it.
TEST_F(Kernel, StrictTextShowsANameUsedPastTheNextCall) {
    k.AddPubData(u"Pub_PlayerTopInfo", 1);
    const int space = k.GetPubDataIndex(u"Pub_PlayerTopInfo");
    k.AddPubRecord(space, "PlayerToplistRec", 150, 1);
    k.SetPubRecordColType(space, "PlayerToplistRec", 0, VT_WIDESTR);
    k.AddPubRecordRowValue(space, "PlayerToplistRec", -1, List(u"Bob"));
    k.AddPubRecordRowValue(space, "PlayerToplistRec", -1, List(u"Ann"));
    k.AddPubProperty(space, "PlayerToplistRecPubLock", VT_INT);
    const auto ownRow = [&] {
        const char16_t* name = k.QueryWideStr(ann, "Name");
        k.FindPubProperty(space, "PlayerToplistRecPubLock");
        k.CompareSetPubPropertyInt(space, "PlayerToplistRecPubLock", 0, 1);
        // A sanitized build would report the read itself: there it is only asked whether the text is poisoned.
        const int row = Poisoned(name) ? -1 : k.FindPubRecordWideStr(space, "PlayerToplistRec", 0, name);
        k.CompareSetPubPropertyInt(space, "PlayerToplistRecPubLock", 1, 0);
        return row;
    };
    k.SetStrictText(false);
    EXPECT_EQ(ownRow(), 1) << "the lenient host hides the fault";
    k.SetStrictText(true);
    EXPECT_EQ(ownRow(), -1);
}

// Public-data calls are counted per operation beside the count of every kernel call.
TEST_F(Kernel, PublicDataCallsAreCountedByOperation) {
    const std::uint64_t calls = k.KernelCalls();
    k.AddPubData(u"Pub", 1);
    k.GetPubDataIndex(u"Pub");
    k.GetPubDataIndex(u"Missing");
    k.GetSceneCount();
    EXPECT_EQ(k.KernelCalls() - calls, 4u);
    EXPECT_EQ(k.PubDataCalls(), 3u);
    using Counts = std::vector<std::pair<std::string_view, std::uint64_t>>;
    EXPECT_EQ(k.PubDataCallsByOperation(), (Counts{{"GetPubDataIndex", 2}, {"AddPubData", 1}}));
}

// Each server counts its own lock takes, its tries that found a lock taken, and
// the takes that had to wait for them; other properties and releases are not tries.
TEST_F(Kernel, LockTriesAreCountedPerServer) {
    HostKernel other{store, 2};  // a second server sharing the store
    const int space = (k.AddPubData(u"Pub", 1), k.GetPubDataIndex(u"Pub"));
    k.AddPubProperty(space, "RecPubLock", VT_INT);
    k.AddPubProperty(space, "Counter", VT_INT);
    ASSERT_TRUE(k.CompareSetPubPropertyInt(space, "RecPubLock", 0, 1));
    EXPECT_FALSE(other.CompareSetPubPropertyInt(space, "RecPubLock", 0, 1));
    EXPECT_FALSE(other.CompareSetPubPropertyInt(space, "RecPubLock", 0, 1));
    EXPECT_FALSE(other.CompareSetPubPropertyInt(space, "Counter", 5, 6)) << "not a lock";
    ASSERT_TRUE(k.CompareSetPubPropertyInt(space, "RecPubLock", 1, 0));
    ASSERT_TRUE(other.CompareSetPubPropertyInt(space, "RecPubLock", 0, 1));
    ASSERT_TRUE(other.CompareSetPubPropertyInt(space, "RecPubLock", 1, 0));
    ASSERT_TRUE(other.CompareSetPubPropertyInt(space, "RecPubLock", 0, 1)) << "a take without a wait";
    const auto counts = [](const HostKernel& kernel) {
        const PubDataGate::LockTries& t = kernel.LockCounts();
        return std::vector<std::uint64_t>{t.takes, t.failed, t.waits};
    };
    EXPECT_EQ(counts(k), (std::vector<std::uint64_t>{1, 0, 0}));
    EXPECT_EQ(counts(other), (std::vector<std::uint64_t>{2, 2, 1}));
}

}  // namespace
