// Placement by charm, cell updates and the list reply, through the real library.
#include <gtest/gtest.h>

#include <chrono>
#include <new>
#include <set>
#include <thread>

#include "support/AllocationControl.h"
#include "CharmList.h"
#include "support/HostFixture.h"
#include "support/ListText.h"

namespace {

using charm::Row;
using Names = std::vector<std::u16string>;
using Properties = std::vector<std::pair<std::string, HostValue>>;

class CharmRanking : public HostFixture {
protected:
    PubDataStore& store() { return world().Store(); }

    // A logged-in player who takes part, with the given charm.
    ObjectId Ranked(std::u16string_view name, int charmValue, Properties extra = {}) {
        extra.insert(extra.begin(), {{"GutOver", 1}, {"Charm", charmValue}});
        return Player(name, extra);
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
    Ranked(u"n", 40,
           {{"Level", 7},
            {"ProfType", 2},
            {"Camp", 3},
            {"CastleNameID", std::string("c9")},
            {"Nation", 4},
            {"GuildName", std::u16string(u"g")},
            {"GiftNum", 6}});
    Ranked(u"m", 45);
    EXPECT_EQ(charm::Names(store()), (Names{u"a", u"m", u"b", u"c", u"n", u"d"}));
    EXPECT_EQ(charm::Rows(store()).at(4), (Row{u"n", 40, 6, 7, u"g", "c9", 2, 3, 4}));
    EXPECT_EQ(charm::LockValue(store()), 0);
}

TEST_F(CharmRanking, UnchangedCharmWritesNothingAndAChangedOneMovesTheRow) {
    const Row p{u"p", 10, 1, 1, u"old", "x"};
    ASSERT_TRUE(charm::Seed(store(), {{u"a", 80}, {u"b", 50}, p, {u"c", 5}}));

    // Other values differ from the row, but the charm does not: the row stays as stored.
    const ObjectId player = Ranked(u"p", 10, {{"Level", 9}, {"GuildName", std::u16string(u"new")}});
    server().SetProperty(player, "Charm", 10);
    EXPECT_EQ(charm::Rows(store()).at(2), p);

    server().SetProperty(player, "Charm", 60);
    EXPECT_EQ(charm::Names(store()), (Names{u"a", u"p", u"b", u"c"}));
    EXPECT_EQ(charm::Rows(store()).at(1).level, 9);  // a re-placed row carries every current value
    server().SetProperty(player, "Charm", 1);
    EXPECT_EQ(charm::Names(store()), (Names{u"a", u"b", u"c", u"p"}));
}

TEST_F(CharmRanking, FullListAdmitsOnlyAboveItsLastRowAndDropsThatRow) {
    ASSERT_TRUE(charm::Seed(store(), charm::Numbered(100, 0, 149)));
    Ranked(u"last", 100);  // row 149 is appended when nobody ranks lower
    EXPECT_EQ(charm::Names(store()).at(149), u"last");

    ASSERT_TRUE(charm::Seed(store(), charm::Numbered(300, -1)));  // r000 = 300 ... r149 = 151
    Ranked(u"n", 200);
    auto names = charm::Names(store());
    ASSERT_EQ(names.size(), 150u);
    EXPECT_EQ((Names{names[100], names[101], names[102]}), (Names{u"r100", u"n", u"r101"}));
    EXPECT_EQ(names[149], u"r148");  // r149, the lowest, left

    Ranked(u"e", 152);  // equal to the last row: nobody ranks lower, so he does not enter
    EXPECT_EQ(charm::Names(store()), names);
    Ranked(u"t", 999);
    names = charm::Names(store());
    ASSERT_EQ(names.size(), 150u);
    EXPECT_EQ(names[0], u"t");
    EXPECT_EQ(names[149], u"r147");
    EXPECT_EQ(charm::LockValue(store()), 0);
}

TEST_F(CharmRanking, CellHandlersWriteOnlyAListedPlayersOwnCell) {
    auto rows = charm::Numbered(100, 0);
    rows[1] = {u"p", 100, 1};
    ASSERT_TRUE(charm::Seed(store(), rows));
    const ObjectId p = Ranked(u"p", 100, {{"GiftNum", 1}});
    const ObjectId low = Ranked(u"low", 5);  // the full list has no place for him

    for (const ObjectId& who : {p, low}) {
        server().SetProperty(who, "Level", 33);
        server().SetProperty(who, "GuildName", std::u16string(u"guild"));
        server().SetProperty(who, "CastleNameID", std::string("castle7"));
        server().SetProperty(who, "GiftNum", 500);  // would rank first in a re-sort, but moves nobody now
    }
    rows[1] = {u"p", 100, 500, 33, u"guild", "castle7"};
    EXPECT_EQ(charm::Rows(store()), rows);

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
    EXPECT_EQ(charm::Rows(store()), (std::vector<Row>{{u"a", 1}, {u"p", 40}}));
    store().CompareSetPropertyInt(index, charm::kLock, 1, 0);
    other.join();

    EXPECT_EQ(charm::Rows(store()), (std::vector<Row>{{u"p", 40, 0, 77}, {u"a", 1}}));
    EXPECT_EQ(charm::LockValue(store()), 0);
}

TEST_F(CharmRanking, ReplyCarriesOwnRankOwnValuesAndAtMost100Rows) {
    const CVarList empty = Ask(Player(u"alone", {{"Charm", 3}}));
    EXPECT_EQ(ListText(empty), "i:100722 i:0 w:alone i:0 i:0 i:0 s: i:0 w: i:3 i:0");

    ASSERT_TRUE(charm::Seed(store(), charm::Numbered(1000, -1)));
    // Not taking part, so the login leaves the list alone; his row 100 is rank 101.
    const CVarList msg = Ask(Player(u"r100", {{"Level", 5}, {"Charm", 1}}));
    ASSERT_EQ(msg.Size(), 11u + 10u * 100u);
    EXPECT_EQ(ListText(msg, 11),
              "i:100722 i:0 w:r100 i:5 i:0 i:0 s: i:0 w: i:1 i:0");  // his current values, not the stored row
    for (int i = 0; i < 100; ++i) {
        const std::size_t at = 11 + 10 * static_cast<std::size_t>(i);
        ASSERT_EQ(msg.IntAt(at), i + 1);
        ASSERT_EQ(msg.IntAt(at + 8), 1000 - i);  // the row's charm
    }
    EXPECT_EQ(std::u16string(msg.WideStringAt(12)), u"r000");
    EXPECT_EQ(Ask(Player(u"r099")).IntAt(1), 100);
    EXPECT_EQ(Ask(Player(u"r000")).IntAt(1), 1);
}

// A failed allocation at any point of the re-sort (moves are run so by the
// injection test program), which clears the record before writing it back,
// leaves the lock free and every row in place.
TEST_F(CharmRanking, FailedAllocationInTheResortLosesNoRow) {
    bool triggered = true;
    for (std::uint64_t k = 1; k < 2000 && triggered; ++k) {
        ASSERT_TRUE(charm::Seed(store(), charm::Numbered(0, 1)));
        triggered = FailingAt(k, [&] { kernel().RunHeartBeat(Scene(1), charm::kResort); });
        ASSERT_EQ(charm::LockValue(store()), 0) << "k=" << k;
        const auto names = charm::Names(store());
        ASSERT_EQ(std::set<std::u16string>(names.begin(), names.end()).size(), 150u) << "k=" << k;
    }
    EXPECT_FALSE(triggered);
    store().Diagnostics().Clear();  // refusals caused by the host's own failed allocations
    kernel().Diagnostics().Clear();
}

}  // namespace
