// Placement by charm, cell updates and the list reply, through the real library.
#include <gtest/gtest.h>

#include <chrono>
#include <new>
#include <set>
#include <thread>

#include "support/AllocationControl.h"
#include "CharmList.h"
#include "support/HostFixture.h"
#include "support/ListInvariants.h"

namespace {

using charm::Row;
using Names = std::vector<std::u16string>;
using Properties = std::vector<std::pair<std::string, HostValue>>;

class CharmRanking : public HostFixture {
protected:
    PubDataStore& store() { return world().Store(); }

    // A logged-in player who takes part, with the given charm.
    ObjectId Ranked(std::u16string_view name, int charmValue, Properties extra = {}) {
        Properties properties = {{"GutOver", 1}, {"Charm", charmValue}};
        properties.insert(properties.end(), extra.begin(), extra.end());
        return Player(name, properties);
    }

    // The reply to the player's list request (a copy: the inbox grows).
    CVarList Ask(const ObjectId& player) {
        CVarList request;
        request.PushInt(140912);
        server().SendClientMessage(player, request);
        const auto& inbox = server().Inbox(player);
        return inbox.empty() ? CVarList() : inbox.back();
    }
};

TEST_F(CharmRanking, NewcomerStandsBelowEqualCharmAndAboveLowerWithAllHisValues) {
    ASSERT_TRUE(charm::Seed(store(), {{u"a", 50}, {u"b", 40}, {u"c", 40}, {u"d", 30}}));

    Ranked(u"n", 40, {{"Level", 7}, {"ProfType", 2}, {"Camp", 3}, {"CastleNameID", std::string("c9")},
                      {"Nation", 4}, {"GuildName", std::u16string(u"g")}, {"GiftNum", 6}});
    EXPECT_EQ(charm::Names(store()), (Names{u"a", u"b", u"c", u"n", u"d"}));
    const Row expected{u"n", 40, 6, 7, u"g", "c9", 2, 3, 4};
    EXPECT_EQ(charm::Rows(store()).at(3), expected);

    Ranked(u"m", 45);
    EXPECT_EQ(charm::Names(store()), (Names{u"a", u"m", u"b", u"c", u"n", u"d"}));
    EXPECT_EQ(charm::LockValue(store()), 0);
}

TEST_F(CharmRanking, UnchangedCharmWritesNothingAndAChangedOneMovesTheRow) {
    const Row p{u"p", 10, 1, 1, u"old", "x"};
    ASSERT_TRUE(charm::Seed(store(), {{u"a", 80}, {u"b", 50}, p, {u"c", 5}}));

    // Other values differ from the row, but the charm does not: the row stays as stored.
    const ObjectId player = Ranked(u"p", 10, {{"Level", 9}, {"GuildName", std::u16string(u"new")}});
    EXPECT_EQ(charm::Rows(store()).at(2), p);
    server().SetProperty(player, "Charm", 10);
    EXPECT_EQ(charm::Rows(store()).at(2), p);

    server().SetProperty(player, "Charm", 60);
    EXPECT_EQ(charm::Names(store()), (Names{u"a", u"p", u"b", u"c"}));
    EXPECT_EQ(charm::Rows(store()).at(1).level, 9);  // a re-placed row carries every current value

    server().SetProperty(player, "Charm", 1);
    EXPECT_EQ(charm::Names(store()), (Names{u"a", u"b", u"c", u"p"}));
}

TEST_F(CharmRanking, RowNumber149IsAppendedWhenNobodyRanksLower) {
    ASSERT_TRUE(charm::Seed(store(), charm::Numbered(std::vector<int>(149, 100))));
    Ranked(u"n", 100);
    const auto names = charm::Names(store());
    ASSERT_EQ(names.size(), 150u);
    EXPECT_EQ(names[149], u"n");
}

TEST_F(CharmRanking, FullListDropsItsLastRowAndPushesTheRestDown) {
    std::vector<int> charms;
    for (int i = 0; i < 150; ++i) charms.push_back(300 - i);  // r000 = 300 ... r149 = 151
    ASSERT_TRUE(charm::Seed(store(), charm::Numbered(charms)));

    Ranked(u"n", 200);
    auto names = charm::Names(store());
    ASSERT_EQ(names.size(), 150u);
    EXPECT_EQ(names[100], u"r100");  // charm 200 stays above the newcomer of equal charm
    EXPECT_EQ(names[101], u"n");
    EXPECT_EQ(names[102], u"r101");  // moved down, not thrown out
    EXPECT_EQ(names[149], u"r148");  // r149, the lowest, left

    // Equal to the last row: nobody ranks lower, so he does not enter.
    Ranked(u"e", 152);
    EXPECT_EQ(charm::Names(store()), names);

    Ranked(u"t", 999);
    names = charm::Names(store());
    ASSERT_EQ(names.size(), 150u);
    EXPECT_EQ(names[0], u"t");
    EXPECT_EQ(names[149], u"r147");
    EXPECT_EQ(charm::LockValue(store()), 0);
}

TEST_F(CharmRanking, CellHandlersWriteOnlyAListedPlayersOwnCell) {
    ASSERT_TRUE(charm::Seed(store(), {{u"a", 50, 0}, {u"p", 40, 1}, {u"b", 30, 0}}));
    const ObjectId p = Ranked(u"p", 40, {{"GiftNum", 1}});

    server().SetProperty(p, "Level", 33);
    server().SetProperty(p, "GuildName", std::u16string(u"guild"));
    server().SetProperty(p, "CastleNameID", std::string("castle7"));
    server().SetProperty(p, "GiftNum", 500);  // would rank him first in a re-sort, but does not move him now
    const Row expected{u"p", 40, 500, 33, u"guild", "castle7"};
    EXPECT_EQ(charm::Rows(store()).at(1), expected);
    EXPECT_EQ(charm::Names(store()), (Names{u"a", u"p", u"b"}));

    // No longer taking part: changes are ignored.
    server().SetProperty(p, "GutOver", 0);
    server().SetProperty(p, "Level", 1);
    EXPECT_EQ(charm::Rows(store()).at(1).level, 33);
}

// Another server may hold the list: a cell write and a re-sort wait for it.
TEST_F(CharmRanking, CellWriteAndResortWaitForTheLockHolder) {
    ASSERT_TRUE(charm::Seed(store(), {{u"a", 1}, {u"p", 40}}));
    const ObjectId p = Ranked(u"p", 40);
    const int index = store().SpaceIndex(charm::kSpace);
    ASSERT_TRUE(store().CompareSetPropertyInt(index, charm::kLock, 0, 1));

    std::thread other([&] {
        server().SetProperty(p, "Level", 77);
        kernel().RunHeartBeat(Scene(1), charm::kResort);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(charm::Rows(store()).at(1).level, 0);
    EXPECT_EQ(charm::Names(store()), (Names{u"a", u"p"}));
    store().CompareSetPropertyInt(index, charm::kLock, 1, 0);
    other.join();

    EXPECT_EQ(charm::Names(store()), (Names{u"p", u"a"}));
    EXPECT_EQ(charm::Rows(store()).at(0).level, 77);
    EXPECT_EQ(charm::LockValue(store()), 0);
}

TEST_F(CharmRanking, CellHandlerOfAnUnlistedPlayerAddsNothing) {
    ASSERT_TRUE(charm::Seed(store(), charm::Numbered(std::vector<int>(150, 100))));
    const ObjectId low = Ranked(u"low", 5);  // the list is full of higher charms
    const auto before = charm::Rows(store());

    server().SetProperty(low, "Level", 60);
    server().SetProperty(low, "GiftNum", 60);
    server().SetProperty(low, "GuildName", std::u16string(u"g"));
    server().SetProperty(low, "CastleNameID", std::string("c"));
    EXPECT_EQ(charm::Rows(store()), before);
}

TEST_F(CharmRanking, ReplyCarriesOwnRankOwnValuesAndAtMost100Rows) {
    const ObjectId alone = Player(u"alone", {{"Charm", 3}});
    const CVarList empty = Ask(alone);
    ASSERT_EQ(empty.Size(), 11u);
    EXPECT_EQ(empty.IntAt(9), 3);

    std::vector<int> charms;
    for (int i = 0; i < 150; ++i) charms.push_back(1000 - i);
    ASSERT_TRUE(charm::Seed(store(), charm::Numbered(charms)));

    // Not taking part, so the login leaves the list alone; his row 100 is rank 101.
    const ObjectId far = Player(u"r100", {{"Level", 5}, {"Charm", 1}});
    const CVarList msg = Ask(far);
    ASSERT_EQ(msg.Size(), 11u + 10u * 100u);
    EXPECT_EQ(msg.IntAt(0), 100722);
    EXPECT_EQ(msg.IntAt(1), 0);
    EXPECT_EQ(std::u16string(msg.WideStringAt(2)), u"r100");
    EXPECT_EQ(msg.IntAt(3), 5);  // his current values, not the stored row
    EXPECT_EQ(msg.IntAt(9), 1);
    const int ownTypes[9] = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_STRING, VT_INT, VT_WIDESTR, VT_INT, VT_INT};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(msg.TypeAt(2 + i), ownTypes[i]) << i;
    for (int i = 0; i < 100; ++i) {
        const std::size_t at = 11 + 10 * static_cast<std::size_t>(i);
        ASSERT_EQ(msg.IntAt(at), i + 1);
        ASSERT_EQ(msg.IntAt(at + 8), 1000 - i);  // the row's charm
    }
    EXPECT_EQ(std::u16string(msg.WideStringAt(12)), u"r000");

    const ObjectId hundredth = Player(u"r099");
    EXPECT_EQ(Ask(hundredth).IntAt(1), 100);
    const ObjectId first = Player(u"r000");
    EXPECT_EQ(Ask(first).IntAt(1), 1);
}

// A failed allocation at any point of a move leaves the lock free and the list
// well formed: no empty row, no name twice, charm never rising.
TEST_F(CharmRanking, FailedAllocationLeavesLockFreeAndListWhole) {
    std::vector<int> charms;
    for (int i = 0; i < 150; ++i) charms.push_back(300 - i);
    bool completed = false;
    for (std::uint64_t k = 1; k < 400 && !completed; ++k) {
        ASSERT_TRUE(charm::Seed(store(), charm::Numbered(charms)));
        const ObjectId p = server().CreatePlayer(u"r120", 2, {{"GutOver", 1}, {"Charm", 180}});
        ASSERT_FALSE(p.IsNull());
        server().LoginPlayer(p);
        {
            ScopedAllocationFailure failure(k);
            try {
                server().SetProperty(p, "Charm", 250 + static_cast<int>(k % 40));
            } catch (const std::bad_alloc&) {
            }
            completed = !failure.Triggered();
        }
        ASSERT_EQ(ListInvariants::Check(store(), ListInvariants::kCharmList), "") << "k=" << k;
        kernel().DestroyObject(p);
    }
    EXPECT_TRUE(completed);

    // A re-sort that fails part way frees the lock. (Rows written back after the
    // clear can still be lost when the host's own allocation fails.)
    std::vector<int> unsorted;
    for (int i = 0; i < 150; ++i) unsorted.push_back(i);
    completed = false;
    for (std::uint64_t k = 1; k < 2000 && !completed; ++k) {
        ASSERT_TRUE(charm::Seed(store(), charm::Numbered(unsorted)));
        {
            ScopedAllocationFailure failure(k);
            try {
                kernel().RunHeartBeat(Scene(1), charm::kResort);
            } catch (const std::bad_alloc&) {
            }
            completed = !failure.Triggered();
        }
        ASSERT_EQ(charm::LockValue(store()), 0) << "k=" << k;
        std::set<std::u16string> seen;
        for (const auto& row : charm::Rows(store())) ASSERT_TRUE(seen.insert(row.name).second) << "k=" << k;
    }
    EXPECT_TRUE(completed);
    store().Diagnostics().Clear();  // refusals caused by the host's own failed allocations
    kernel().Diagnostics().Clear();
}

}  // namespace
