// Entering, moving and re-sorting players and the list reply, through the real
// library in the reference host.
#include <gtest/gtest.h>

#include <algorithm>

#include "PlayerListSupport.h"
#include "Utility/NumberText.h"
#include "Utility/WideText.h"
#include "support/HostFixture.h"
#include "support/ListText.h"

using namespace PlayerList;

namespace {

constexpr const char* kHeartBeat = "PlayerTopSystem::H_TopListUpdate";
using Names_ = std::vector<std::u16string>;

class PlayerTopRankingTest : public HostFixture {
protected:
    PubDataStore& store() { return world().Store(); }
    ObjectId Join(const std::u16string& name, int level, int gutOver = 1) {
        return Player(name, Properties(level, gutOver));
    }
    // 150 rows "r0".."r149", levels 189 down to 40.
    void SeedFullList() {
        std::vector<Row> rows;
        for (int i = 0; i < 150; ++i) rows.push_back(MakeRow(u"r" + IntToWide(i), 189 - i));
        ASSERT_TRUE(Seed(store(), rows));
    }
    const CVarList& Ask(const ObjectId& player) {
        CVarList request;
        request.PushInt(140911);
        server().SendClientMessage(player, request);
        return server().Inbox(player).back();
    }
};

TEST_F(PlayerTopRankingTest, GutOverAdmitsForGoodToTheEmptyListOnTopAndAFullListOnlyAboveTheLastLevel) {
    const ObjectId solo = Join(u"solo", 0, 0);
    server().SetProperty(solo, "Level", 1);
    EXPECT_TRUE(Rows(store()).empty());
    server().SetProperty(solo, "GutOver", 1);
    const Row expected = {
        std::u16string(u"solo"), 1, 7, 8, std::u16string(u"Lions"), 9, std::u16string(u"Keep"), 10, 0, 11, 12};
    EXPECT_EQ(std::vector<Row>{expected}, Rows(store()));
    server().SetProperty(solo, "GutOver", 0);  // the row stays; his changes are ignored from now on
    server().SetProperty(solo, "Level", 90);
    EXPECT_EQ(std::vector<Row>{expected}, Rows(store()));

    SeedFullList();  // r148 has level 41, r149 level 40
    Join(u"equal", 40);
    EXPECT_EQ(u"r149", Names(store()).back());
    Join(u"above", 41);
    const auto names = Names(store());
    ASSERT_EQ(150u, names.size());
    EXPECT_EQ(u"r148", names[148]);
    EXPECT_EQ(u"above", names[149]);
    EXPECT_EQ(0, LockValue(store()));
}

TEST_F(PlayerTopRankingTest, ListedPlayerIsReenteredWithCurrentValuesAtHisPlace) {
    ASSERT_TRUE(Seed(store(), {MakeRow(u"a", 50), MakeRow(u"b", 30), MakeRow(u"c", 30), MakeRow(u"d", 10)}));
    const ObjectId d = Join(u"d", 10);
    server().SetProperty(d, "Level", 30);  // below the earlier 30s
    EXPECT_EQ((Names_{u"a", u"b", u"c", u"d"}), Names(store()));
    server().SetProperty(d, "Level", 31);
    EXPECT_EQ((Names_{u"a", u"d", u"b", u"c"}), Names(store()));
    server().SetProperty(d, "Camp", 3);    // rewrites the whole row
    server().SetProperty(d, "Nation", 4);  // watched too, so column 2 stays current
    const Row row = {
        std::u16string(u"d"), 31, 4, 8, std::u16string(u"Lions"), 9, std::u16string(u"Keep"), 10, 3, 11, 12};
    EXPECT_EQ(row, Rows(store())[1]);
}

TEST_F(PlayerTopRankingTest, HourlyResortOrdersByLevelThenNameDescendingWithUniqueKeys) {
    ASSERT_TRUE(Seed(
        store(), {MakeRow(u"a", 20), MakeRow(u"low", 5), MakeRow(u"dup", 20, 1), MakeRow(u"b", 20),
                  MakeRow(u"dup", 20, 2), MakeRow(u"", 0), MakeRow(u"top", 90), MakeRow(u"", 0), MakeRow(u"ab", 20)}));
    ASSERT_TRUE(kernel().RunHeartBeat(Scene(1), kHeartBeat));
    EXPECT_EQ((Names_{u"top", u"dup", u"b", u"ab", u"a", u"low", u""}), Names(store()));
    EXPECT_EQ(MakeRow(u"dup", 20, 1), Rows(store())[1]);  // the row nearer the top survives
}

TEST_F(PlayerTopRankingTest, OnlyTheFirstHomeSceneLoadArmsTheHourlyResortAndRunsOne) {
    server().Stop();  // a fresh load of the library: no home scene has loaded yet
    ASSERT_TRUE(server().Start()) << server().Error();
    const ObjectId home = Scene(1);
    const ObjectId second = server().CreateScene(4, "HomeScene");
    const std::vector<Row> unsorted = {MakeRow(u"low", 1), MakeRow(u"high", 9)};
    ASSERT_TRUE(Seed(store(), unsorted));
    kernel().RaiseEvent(home, "OnLoad");
    EXPECT_EQ((Names_{u"high", u"low"}), Names(store()));
    EXPECT_TRUE(kernel().FindHeartBeat(home, kHeartBeat));

    ASSERT_TRUE(Seed(store(), unsorted));
    kernel().RaiseEvent(second, "OnLoad");
    kernel().RaiseEvent(home, "OnLoad");
    EXPECT_FALSE(kernel().FindHeartBeat(second, kHeartBeat));
    EXPECT_EQ((Names_{u"low", u"high"}), Names(store()));  // later loads only count
    kernel().Advance(3600000 - 1000);
    EXPECT_EQ((Names_{u"low", u"high"}), Names(store()));
    kernel().Advance(1000);
    EXPECT_EQ((Names_{u"high", u"low"}), Names(store()));
}

TEST_F(PlayerTopRankingTest, ReplyHoldsOwnRankAndEntryThenAtMostAHundredRows) {
    SeedFullList();
    const CVarList& reply = Ask(Join(u"outsider", 1));
    ASSERT_EQ(2u + 11u + 100u * 12u, reply.Size());
    // "GuildContribut" (99) where a row has "GuildPoint".
    EXPECT_EQ("i:100721 i:0 w:outsider i:1 i:7 i:8 w:Lions i:99 w:Keep i:10 i:0 i:11 i:12", ListText(reply, 13));
    for (std::size_t i = 0; i < 100; ++i) {
        ASSERT_EQ(static_cast<int>(i + 1), reply.IntAt(13 + 12 * i));
        ASSERT_EQ(189 - static_cast<int>(i), reply.IntAt(15 + 12 * i));
    }
    // A listed requester gets his rank and his stored row, not his current values:
    // in the rows sent (row 1 here) or past them (row 120).
    for (const int listedAt : {1, 120}) {
        const std::u16string name = u"r" + IntToWide(listedAt);
        const ObjectId asker = Player(name, Properties(5, 0));
        const CVarList& own = Ask(asker);
        ASSERT_EQ(2u + 11u + 100u * 12u, own.Size());
        EXPECT_EQ("i:100721 i:" + std::to_string(listedAt + 1) + " w:" + WideToString(name.c_str()) +
                      " i:" + std::to_string(189 - listedAt) + " i:1 i:2 w:guild i:3 w:castle i:4 i:0 i:5 i:6",
                  ListText(own, 13));
        kernel().DestroyObject(asker);
    }
    ASSERT_TRUE(Seed(store(), {MakeRow(u"leader", 60)}));
    const CVarList& own = Ask(Player(u"leader", Properties(5, 0)));
    const std::string row = "w:leader i:60 i:1 i:2 w:guild i:3 w:castle i:4 i:0 i:5 i:6";
    EXPECT_EQ("i:100721 i:1 " + row + " i:1 " + row, ListText(own));
}

// Every allocation of the re-sort fails in turn (moves are run so by the
// injection test program): the record is emptied before being written back, yet
// no row may be lost and the lock is free.
TEST_F(PlayerTopRankingTest, RunningOutOfMemoryInTheResortLosesNoRow) {
    std::vector<Row> seeded;
    for (char16_t c = u'a'; c < u'a' + 20; ++c) seeded.push_back(MakeRow(std::u16string(20, c), c % 4));
    for (std::uint64_t k = 1;; ++k) {
        ASSERT_TRUE(Seed(store(), seeded));
        if (!FailingAt(k, [&] { kernel().RunHeartBeat(Scene(1), kHeartBeat); })) break;
        auto names = Names(store());
        std::sort(names.begin(), names.end());
        ASSERT_EQ(20, std::unique(names.begin(), names.end()) - names.begin()) << "k=" << k;
        ASSERT_EQ(0, LockValue(store())) << "k=" << k;
    }
}

}  // namespace
