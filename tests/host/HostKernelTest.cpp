// The in-memory kernel: class tree, callback order, routing, clock, records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/HostKernel.h"

namespace {

// Callbacks are plain functions, so they report into this trail.
std::vector<std::string> g_trail;
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

int Reply(IKernel* kernel, const ObjectId& self, const ObjectId&, const IVarList& args) {
    CVarList answer;
    answer << 100721 << args.IntAt(0);
    kernel->SendCustomMessage(self, self, answer);
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

    PubDataStore store;
    HostKernel k{store, 1};
    ObjectId home, plain, challenge, ann, bob;
};

TEST_F(Kernel, ScenesHaveIdsAndPlayersAreFoundByName) {
    EXPECT_EQ(k.GetSceneCount(), 4);
    EXPECT_TRUE(k.IsSceneExist(4));
    EXPECT_FALSE(k.IsSceneExist(3));
    EXPECT_EQ(k.GetSceneIdOf(challenge), 4);
    EXPECT_EQ(k.GetSceneIdOf(ann), 0) << "a player is no scene";
    EXPECT_EQ(k.GetSceneOf(bob), challenge);
    EXPECT_EQ(k.GetSceneOf(challenge), challenge) << "a scene is its own scene";
    EXPECT_EQ(k.FindPlayer(u"Ann"), ann);
    EXPECT_TRUE(k.FindPlayer(u"Nobody").IsNull());
    EXPECT_TRUE(k.CreatePlayer(u"Ann", 2).IsNull()) << "a name is online once";
    EXPECT_EQ(std::string(k.GetConfigName(challenge)), "ChallengeWaitScene");
    EXPECT_TRUE(k.CreateScene(4).IsNull());
    EXPECT_TRUE(k.CreateScene(5, "player").IsNull()) << "players are no scenes";
    k.Diagnostics().Clear();
    // A renamed player is found by the new name only; a destroyed one not at all.
    EXPECT_TRUE(k.SetWideStr(ann, "Name", u"Anna"));
    EXPECT_TRUE(k.FindPlayer(u"Ann").IsNull());
    EXPECT_EQ(k.FindPlayer(u"Anna"), ann);
    EXPECT_TRUE(k.DestroyObject(ann));
    EXPECT_FALSE(k.Exists(ann));
    EXPECT_TRUE(k.FindPlayer(u"Anna").IsNull());
    EXPECT_FALSE(k.DestroyObject(ann));
}

TEST_F(Kernel, EventsReachTheClassAndEveryClassAboveItInPriorityOrder) {
    k.AddEventCallback("BaseScene", "OnLoad", Note<1>, 3);
    k.AddEventCallback("HomeScene", "OnLoad", Note<2>, 3);
    k.AddEventCallback("HomeScene", "OnLoad", Note<3>, 1);
    k.AddEventCallback("player", "OnLoad", Note<4>, 3);
    EXPECT_EQ(k.RaiseEvent(home, "OnLoad"), 3);
    EXPECT_EQ(g_trail, (std::vector<std::string>{"3:" + Id(home), "1:" + Id(home), "2:" + Id(home)}));
    EXPECT_EQ(g_sceneSeen, home) << "the object's scene is current during its callbacks";
    g_trail.clear();
    EXPECT_EQ(k.RaiseEvent(plain, "OnLoad"), 1) << "a HomeScene callback does not reach a plain BaseScene";
    EXPECT_EQ(k.RaiseEvent(ann, "OnLoad"), 1);
    EXPECT_EQ(g_sceneSeen, plain);
    EXPECT_EQ(k.RaiseEvent(ann, "OnOther"), 0);
}

TEST_F(Kernel, CommandsGoToPlayersOfASceneOrToEveryScene) {
    k.AddCommandCallback("player", 1063, Note<1>, 3);
    k.AddCommandCallback("BaseScene", 1063, Note<2>, 3);
    const ObjectId cyd = k.CreatePlayer(u"Cyd", 4);
    CVarList cmd;
    cmd << 1063 << 7;
    EXPECT_TRUE(k.CommandToScene(4, cmd));
    EXPECT_EQ(g_trail, (std::vector<std::string>{"1:" + Id(bob) + ":7", "1:" + Id(cyd) + ":7"}));
    g_trail.clear();
    EXPECT_FALSE(k.CommandToScene(3, cmd)) << "no scene 3";
    EXPECT_TRUE(k.CommandToAllScenes(cmd));
    EXPECT_EQ(g_trail, (std::vector<std::string>{"2:" + Id(home) + ":7", "2:" + Id(plain) + ":7",
                                                 "2:" + Id(challenge) + ":7"}))
        << "scenes only, HomeScene included, in id order";
    g_trail.clear();
    CVarList other;
    other << 999;
    EXPECT_EQ(k.RunCommand(ann, other), 0);
    EXPECT_TRUE(g_trail.empty());
}

TEST_F(Kernel, CustomMessagesAreAnsweredIntoTheClientInbox) {
    k.AddCustomCallback(140911, Reply, 3);
    CVarList ask;
    ask << 140911;
    EXPECT_EQ(k.DeliverCustomMessage(ann, ask), 1);
    ASSERT_EQ(k.Inbox(ann).size(), 1u);
    EXPECT_EQ(k.Inbox(ann)[0].IntAt(0), 100721);
    EXPECT_EQ(k.Inbox(ann)[0].IntAt(1), 140911);
    EXPECT_TRUE(k.Inbox(bob).empty());
    k.ClearInbox(ann);
    EXPECT_TRUE(k.Inbox(ann).empty());
    EXPECT_FALSE(k.SendCustomMessage(ann, home, ask)) << "a scene has no client";
    EXPECT_EQ(k.Diagnostics().Size(), 1u);
    k.SetInboxLimit(2);
    for (int i = 0; i < 3; ++i) {
        CVarList m;
        m << i;
        k.SendCustomMessage(ann, ann, m);
    }
    ASSERT_EQ(k.Inbox(ann).size(), 2u);
    EXPECT_EQ(k.Inbox(ann)[0].IntAt(0), 1) << "the oldest goes first";
    EXPECT_EQ(k.MessagesSent(), 4u);
}

TEST_F(Kernel, PropertiesAreTypedAndCarryTheirSaveFlag) {
    EXPECT_TRUE(k.SetProperty(ann, "Level", 5));
    EXPECT_TRUE(k.AddProperty(ann, "Temp", VT_INT, false));
    EXPECT_TRUE(k.FindProperty(ann, "Level"));
    EXPECT_EQ(k.GetPropertyType(ann, "Level"), VT_INT);
    EXPECT_TRUE(k.TestPropertyFlag(ann, "Level"));
    EXPECT_FALSE(k.TestPropertyFlag(ann, "Temp"));
    EXPECT_FALSE(k.SetString(ann, "Level", "x")) << "wrong type";
    EXPECT_FALSE(k.SetInt(ann, "Missing", 1));
    EXPECT_EQ(k.QueryInt(ann, "Level"), 5);
    EXPECT_STREQ(k.QueryString(ann, "Level"), "") << "another type reads neutral";
    EXPECT_EQ(std::u16string(k.QueryWideStr(ann, "Name")), u"Ann");
    CVarList names;
    k.GetPropertyList(ann, names);
    ASSERT_EQ(names.Size(), 3u);
    EXPECT_STREQ(names.StringAt(0), "Name");
    EXPECT_STREQ(names.StringAt(2), "Temp");
}

TEST_F(Kernel, ClassDefinitionsShapeLaterObjectsOfTheClassAndBelow) {
    const int npc = k.DefineClass("npc");
    const int guard = k.DefineClass("guard", "npc");
    EXPECT_EQ(k.DefineClass("npc"), npc);
    EXPECT_TRUE(k.AddClassProperty(npc, "Hp", VT_INT, true, ""));
    EXPECT_FALSE(k.AddClassProperty(npc, "Hp", VT_INT, true, "")) << "name taken";
    EXPECT_FALSE(k.AddClassProperty(99, "Hp", VT_INT, true, "")) << "unknown class";
    EXPECT_TRUE(k.AddClassPropertySaveMode(guard, "Rank", VT_STRING, 2, ""));
    EXPECT_TRUE(k.AddClassRecord(guard, "Loot", 2, 2, true));
    EXPECT_TRUE(k.SetClassRecordColType(guard, "Loot", 1, VT_WIDESTR));
    EXPECT_FALSE(k.SetClassRecordColType(guard, "Loot", 2, VT_INT));
    EXPECT_TRUE(k.SetClassRecordVisible(guard, "Loot", "Loot"));
    k.DefineConfig("Guard01", "guard");
    ObjectId g;
    ASSERT_TRUE(k.CreateObject(g, plain, "Guard01", 0));
    EXPECT_EQ(k.ClassOf(g), "guard");
    EXPECT_TRUE(k.IsA(g, "npc"));
    EXPECT_TRUE(k.FindProperty(g, "Hp"));
    EXPECT_EQ(k.GetPropertyType(g, "Rank"), VT_STRING);
    EXPECT_EQ(k.ClassProperty("guard", "Rank")->saveMode, 2);
    EXPECT_EQ(k.GetRecordCols(g, "Loot"), 2);
    EXPECT_EQ(k.GetRecordColType(g, "Loot", 1), VT_WIDESTR);
    EXPECT_TRUE(k.TestRecordFlag(g, "Loot"));
    EXPECT_EQ(k.GetSceneOf(g), plain);
    ObjectId item;
    ASSERT_TRUE(k.CreateObjectFromText(item, g, "Sword"));
    EXPECT_EQ(k.ClassOf(item), "item") << "unknown configurations make items";
    EXPECT_FALSE(k.CreateObject(item, ObjectId{}, "Sword", 0));
    EXPECT_TRUE(item.IsNull());
}

TEST_F(Kernel, ObjectRecordsAppendAtTheEndAndRefuseOtherRowsAndFullRecords) {
    const int cls = k.DefineClass("bag");
    k.AddClassRecord(cls, "Items", 2, 2, false);
    k.SetClassRecordColType(cls, "Items", 0, VT_INT);
    k.SetClassRecordColType(cls, "Items", 1, VT_STRING);
    ObjectId bag;
    ASSERT_TRUE(k.CreateObject(bag, plain, "bag", 0));
    EXPECT_TRUE(k.SetRecordInt(bag, "Items", 0, 0, 7)) << "row == rows appends";
    EXPECT_TRUE(k.SetRecordString(bag, "Items", 0, 1, "gem"));
    EXPECT_EQ(k.AddRecordRow(bag, "Items", 0), 0);
    EXPECT_EQ(k.QueryRecordInt(bag, "Items", 1, 0), 7);
    EXPECT_STREQ(k.QueryRecordString(bag, "Items", 1, 1), "gem");
    EXPECT_TRUE(k.Diagnostics().Empty());
    EXPECT_EQ(k.AddRecordRow(bag, "Items", -1), -1) << "full";
    EXPECT_FALSE(k.SetRecordInt(bag, "Items", 5, 0, 1));
    EXPECT_FALSE(k.SetRecordInt(bag, "Items", 0, 1, 1)) << "int into a text column";
    EXPECT_EQ(k.Diagnostics().Size(), 3u);
    EXPECT_TRUE(k.ClearRecord(bag, "Items"));
    EXPECT_EQ(k.GetRecordRows(bag, "Items"), 0);
    EXPECT_EQ(k.GetRecordRows(bag, "Nope"), -1);
}

TEST_F(Kernel, DataValuesAreAddedOnceAndTyped) {
    EXPECT_TRUE(k.AddData(ann, "Combo", VT_INT));
    EXPECT_FALSE(k.AddData(ann, "Combo", VT_INT));
    EXPECT_TRUE(k.SetDataInt(ann, "Combo", 4));
    EXPECT_FALSE(k.SetDataFloat(ann, "Combo", 1.0f));
    EXPECT_EQ(k.QueryDataInt(ann, "Combo"), 4);
    EXPECT_EQ(k.GetDataType(ann, "Combo"), VT_INT);
    EXPECT_FALSE(k.FindData(bob, "Combo"));
}

TEST_F(Kernel, TheClockEncodesDaysSince1899AndSecondsOfTheDay) {
    k.SetClock(2024, 1, 1, 2, 3, 4);
    double date = 0, time = 0;
    ASSERT_TRUE(k.GetCurrentDateTime(date, time));
    EXPECT_EQ(date, 45292.0);
    EXPECT_EQ(time, 7384.0);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    ASSERT_TRUE(k.SplitDate(date, y, mo, d));
    ASSERT_TRUE(k.SplitTime(time, h, mi, s));
    EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s}), (std::vector<int>{2024, 1, 1, 2, 3, 4}));
    ASSERT_TRUE(k.SplitDate(45351.0, y, mo, d));  // leap day
    EXPECT_EQ((std::vector<int>{y, mo, d}), (std::vector<int>{2024, 2, 29}));
    EXPECT_FALSE(k.SplitTime(86400.0, h, mi, s));
    EXPECT_FALSE(k.SplitTime(-1.0, h, mi, s));
    EXPECT_FALSE(k.SplitDate(1e300, y, mo, d));
    k.Clock().Set(2023, 12, 31, 23, 59, 59);
    k.Advance(1000);
    k.GetCurrentDateTime(date, time);
    EXPECT_EQ(date, 45292.0) << "midnight starts the next day";
    EXPECT_EQ(time, 0.0);
}

TEST_F(Kernel, AdvancingRunsHeartbeatsAndTimersInTimeOrder) {
    k.SetClock(2024, 1, 1, 0, 0, 0);
    EXPECT_FALSE(k.AddHeartBeat(home, "Beat", 1000)) << "not declared";
    ASSERT_TRUE(k.DeclareHeartBeat("Beat", Beat));
    ASSERT_TRUE(k.AddHeartBeat(home, "Beat", 3000));
    EXPECT_FALSE(k.AddHeartBeat(home, "Beat", 1000)) << "attached already";
    EXPECT_TRUE(k.FindHeartBeat(home, "Beat"));
    ASSERT_TRUE(k.AddHeartBeat(plain, "Beat", 5000));
    k.AddTimer(HostClock::MsOf(2024, 1, 1, 0, 0, 4), 0, [](HostKernel&) { g_trail.push_back("timer@4"); });
    k.Advance(7000);
    EXPECT_EQ(g_trail, (std::vector<std::string>{"beat:" + Id(home) + "@3", "timer@4", "beat:" + Id(plain) + "@5",
                                                 "beat:" + Id(home) + "@6"}));
    EXPECT_EQ(k.Clock().NowMs(), HostClock::MsOf(2024, 1, 1, 0, 0, 7));
    g_trail.clear();
    k.DestroyObject(plain);
    k.Advance(3000);
    EXPECT_EQ(g_trail, (std::vector<std::string>{"beat:" + Id(home) + "@9"})) << "a destroyed object beats no more";
}

TEST_F(Kernel, ForgettingTheLibraryDropsCallbacksAndHeartbeats) {
    k.AddEventCallback("player", "OnLoad", Note<1>, 3);
    k.AddCustomCallback(1, Note<2>, 3);
    k.DeclareHeartBeat("Beat", Beat);
    k.AddHeartBeat(home, "Beat", 1000);
    k.ForgetLibrary();
    EXPECT_EQ(k.CallbackCount(), 0u);
    EXPECT_FALSE(k.FindHeartBeat(home, "Beat"));
    k.Advance(5000);
    EXPECT_EQ(k.RaiseEvent(ann, "OnLoad"), 0);
    EXPECT_TRUE(g_trail.empty());
}

TEST_F(Kernel, PublicTextReadsAreCopiesThatOutliveChangesToTheStore) {
    const int space = (k.AddPubData(u"Pub", 1), k.GetPubDataIndex(u"Pub"));
    ASSERT_TRUE(k.AddPubRecord(space, "Rec", 10, 1));
    k.SetPubRecordColType(space, "Rec", 0, VT_WIDESTR);
    CVarList row;
    row << u"first";
    k.AddPubRecordRowValue(space, "Rec", -1, row);
    const char16_t* text = k.QueryPubRecordWideStr(space, "Rec", 0, 0);
    store.SetWideStr(space, "Rec", 0, 0, u"a much longer text that moves the stored buffer");
    store.ClearRecord(space, "Rec");
    EXPECT_EQ(std::u16string(text), u"first");
    EXPECT_EQ(std::u16string(k.QueryPubRecordWideStr(space, "Rec", 0, 0)), u"") << "row gone";
    EXPECT_EQ(k.Diagnostics().Size() + store.Diagnostics().Size(), 1u);
}

TEST_F(Kernel, CountsItsOwnCallsOnly) {
    const std::uint64_t before = k.KernelCalls();
    k.QueryInt(ann, "Level");
    k.Exists(bob);
    EXPECT_EQ(k.KernelCalls(), before + 2);
    k.SetProperty(ann, "Level", 1);
    EXPECT_EQ(k.KernelCalls(), before + 2);
}

}  // namespace
