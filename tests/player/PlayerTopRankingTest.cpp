// Entering, moving and re-sorting players, and the list reply, through the real
// library in the reference host.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/AllocationControl.h"
#include "support/HostFixture.h"
#include "PlayerListSupport.h"

using namespace PlayerList;

namespace {

constexpr const char* kHeartBeat = "PlayerTopSystem::H_TopListUpdate";

class PlayerTopRankingTest : public HostFixture {
protected:
    PubDataStore& store() { return world().Store(); }

    ObjectId Join(const std::u16string& name, int level, int gutOver = 1) {
        return Player(name, Properties(level, gutOver));
    }

    void SetLevel(const ObjectId& player, int level) { server().SetProperty(player, "Level", level); }

    // 150 rows "r000".."r149", levels 189 down to 40.
    void SeedFullList() {
        std::vector<Row> rows;
        for (int i = 0; i < 150; ++i) {
            std::u16string name = u"r000";
            name[1] = static_cast<char16_t>(u'0' + i / 100);
            name[2] = static_cast<char16_t>(u'0' + i / 10 % 10);
            name[3] = static_cast<char16_t>(u'0' + i % 10);
            rows.push_back(MakeRow(name, 189 - i));
        }
        Seed(store(), rows);
    }

    const CVarList& LastReply(const ObjectId& player) {
        CVarList request;
        request.PushInt(140911);
        EXPECT_EQ(1, server().SendClientMessage(player, request));
        const auto& inbox = server().Inbox(player);
        EXPECT_FALSE(inbox.empty());
        return inbox.back();
    }
};

TEST_F(PlayerTopRankingTest, EmptyListTakesFirstPlayerAtTopWhateverHisLevel) {
    Join(u"solo", 1);
    const auto rows = Rows(store());
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(u"solo", NameAt(rows, 0));
    // Every column is a copy of the player's property, in column order.
    const Row expected = {HostValue(u"solo"), 1, 7, 8, HostValue(u"Lions"), 9, HostValue(u"Keep"), 10, 0, 11, 12};
    EXPECT_EQ(expected, rows[0]);
    EXPECT_EQ(0, LockValue(store()));
}

TEST_F(PlayerTopRankingTest, FullListAdmitsOnlyALevelAboveTheLastRow) {
    SeedFullList();  // last row r149 has level 40; r148 has 41
    Join(u"equal", 40);
    auto rows = Rows(store());
    ASSERT_EQ(150u, rows.size());
    EXPECT_EQ(u"r149", NameAt(rows, 149));

    Join(u"above", 41);
    rows = Rows(store());
    ASSERT_EQ(150u, rows.size());
    // Below every row of level 41 or more: after r148, and r149 is gone.
    EXPECT_EQ(u"r148", NameAt(rows, 148));
    EXPECT_EQ(u"above", NameAt(rows, 149));
    EXPECT_EQ(0, LockValue(store()));
}

TEST_F(PlayerTopRankingTest, RisingPlayerMovesBelowTheLastRowOfHisNewLevel) {
    Seed(store(), {MakeRow(u"a", 50), MakeRow(u"b", 30), MakeRow(u"c", 30), MakeRow(u"d", 10)});
    const ObjectId d = Join(u"d", 10);
    SetLevel(d, 30);
    EXPECT_EQ((std::vector<std::u16string>{u"a", u"b", u"c", u"d"}), Names(store()));
    SetLevel(d, 31);
    EXPECT_EQ((std::vector<std::u16string>{u"a", u"d", u"b", u"c"}), Names(store()));
    SetLevel(d, 99);
    EXPECT_EQ((std::vector<std::u16string>{u"d", u"a", u"b", u"c"}), Names(store()));
    EXPECT_EQ(99, LevelAt(Rows(store()), 0));
}

TEST_F(PlayerTopRankingTest, WatchedChangeRewritesTheWholeRowWithCurrentValues) {
    Seed(store(), {MakeRow(u"x", 70), MakeRow(u"p", 20)});
    const ObjectId p = Join(u"p", 20);
    server().SetProperty(p, "GuildName", HostValue(std::u16string(u"Wolves")));
    server().SetProperty(p, "Camp", 3);
    auto rows = Rows(store());
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ(HostValue(std::u16string(u"Wolves")), rows[1][4]);
    EXPECT_EQ(HostValue(3), rows[1][8]);

    // "Nation" is watched as well, so column 2 does not go stale.
    server().SetProperty(p, "Nation", 4);
    EXPECT_EQ(HostValue(4), Rows(store())[1][2]);

    // Command 1009 re-enters him as a load does.
    kernel().SetProperty(p, "Level", 80);  // also fires the watch: he moves up
    EXPECT_EQ(u"p", NameAt(Rows(store()), 0));
    CVarList command;
    command.PushInt(1009);
    server().RunCommand(p, command);
    EXPECT_EQ((std::vector<std::u16string>{u"p", u"x"}), Names(store()));
}

TEST_F(PlayerTopRankingTest, GutOverAdmitsAPlayer) {
    const ObjectId p = Join(u"late", 30, 0);
    EXPECT_TRUE(Rows(store()).empty());
    ASSERT_NE(nullptr, server().Critical());
    EXPECT_TRUE(server().Critical()->IsWatched(p, "GutOver", "PlayerTopSystem::OnPlayerGutOverChanged"));
    EXPECT_FALSE(server().Critical()->IsWatched(p, "Level", "PlayerTopSystem::OnLevelChanged"));
    SetLevel(p, 31);  // not watched yet, and not admitted
    EXPECT_TRUE(Rows(store()).empty());

    server().SetProperty(p, "GutOver", 1);
    ASSERT_EQ(1u, Rows(store()).size());
    EXPECT_EQ(31, LevelAt(Rows(store()), 0));
    EXPECT_TRUE(server().Critical()->IsWatched(p, "Level", "PlayerTopSystem::OnLevelChanged"));
    EXPECT_TRUE(server().Critical()->IsWatched(p, "PeerageExp", "PlayerTopSystem::OnPeerageExpChanged"));

    // Falling back below 1: his changes are ignored, his row stays.
    server().SetProperty(p, "GutOver", 0);
    SetLevel(p, 90);
    ASSERT_EQ(1u, Rows(store()).size());
    EXPECT_EQ(31, LevelAt(Rows(store()), 0));
}

TEST_F(PlayerTopRankingTest, HourlyResortOrdersByLevelThenNameDescendingWithUniqueKeys) {
    Row firstDuplicate = MakeRow(u"dup", 20, 1);
    Row secondDuplicate = MakeRow(u"dup", 20, 2);
    Seed(store(), {MakeRow(u"a", 20), MakeRow(u"low", 5), firstDuplicate, MakeRow(u"b", 20), secondDuplicate,
                   MakeRow(u"", 0), MakeRow(u"top", 90), MakeRow(u"", 0), MakeRow(u"ab", 20)});
    ASSERT_TRUE(kernel().RunHeartBeat(Scene(1), kHeartBeat));
    const auto rows = Rows(store());
    EXPECT_EQ((std::vector<std::u16string>{u"top", u"dup", u"b", u"ab", u"a", u"low", u""}), Names(store()));
    EXPECT_EQ(firstDuplicate, rows[1]);  // the row nearer the top survives, with its own cells
    EXPECT_EQ(0, LockValue(store()));
}

TEST_F(PlayerTopRankingTest, LaterHomeSceneLoadsNeitherResortNorArm) {
    EXPECT_TRUE(kernel().FindHeartBeat(Scene(1), kHeartBeat));
    Seed(store(), {MakeRow(u"a", 1), MakeRow(u"b", 2)});
    const ObjectId home2 = server().CreateScene(4, "HomeScene");
    const ObjectId home3 = server().CreateScene(5, "HomeScene");
    kernel().RaiseEvent(home2, "OnLoad");
    kernel().RaiseEvent(home3, "OnLoad");
    EXPECT_FALSE(kernel().FindHeartBeat(home2, kHeartBeat));
    EXPECT_FALSE(kernel().FindHeartBeat(home3, kHeartBeat));
    EXPECT_EQ((std::vector<std::u16string>{u"a", u"b"}), Names(store()));
    // The armed heartbeat re-sorts an hour later.
    kernel().Advance(3600000);
    EXPECT_EQ((std::vector<std::u16string>{u"b", u"a"}), Names(store()));
}

TEST_F(PlayerTopRankingTest, ReplyCarriesOwnEntryThenAtMostAHundredRows) {
    SeedFullList();
    const ObjectId outsider = Join(u"outsider", 1);
    const CVarList& reply = LastReply(outsider);
    ASSERT_EQ(2u + 11u + 100u * 12u, reply.Size());
    EXPECT_EQ(100721, reply.IntAt(0));
    EXPECT_EQ(0, reply.IntAt(1));
    EXPECT_EQ(std::u16string(u"outsider"), reply.WideStringAt(2));
    EXPECT_EQ(1, reply.IntAt(3));
    EXPECT_EQ(99, reply.IntAt(7));  // "GuildContribut" where a row has "GuildPoint"
    EXPECT_EQ(12, reply.IntAt(12));
    for (std::size_t i = 0; i < 100; ++i) {
        const std::size_t at = 13 + 12 * i;
        ASSERT_EQ(static_cast<int>(i + 1), reply.IntAt(at));
        ASSERT_EQ(VT_WIDESTR, reply.TypeAt(at + 1));
        ASSERT_EQ(189 - static_cast<int>(i), reply.IntAt(at + 2));
        ASSERT_EQ(VT_INT, reply.TypeAt(at + 11));
    }

    // The player in row 0 gets rank 1 and his stored row, not his current values.
    Seed(store(), {MakeRow(u"leader", 60)});
    const ObjectId leader = Player(u"leader", Properties(5, 0));
    const CVarList& own = LastReply(leader);
    ASSERT_EQ(2u + 11u + 12u, own.Size());
    EXPECT_EQ(1, own.IntAt(1));
    EXPECT_EQ(60, own.IntAt(3));
    EXPECT_EQ(3, own.IntAt(7));  // the stored "GuildPoint"
    EXPECT_EQ(1, own.IntAt(13));
}

TEST_F(PlayerTopRankingTest, NoRecordMeansNoReplyAndNoRow) {
    store().RemoveRecord(store().SpaceIndex(kSpace), kRecord);
    const ObjectId p = Join(u"p", 10);
    CVarList request;
    request.PushInt(140911);
    server().SendClientMessage(p, request);
    EXPECT_TRUE(server().Inbox(p).empty());
    EXPECT_FALSE(store().FindRecord(store().SpaceIndex(kSpace), kRecord));
}

// Reading the player's values fails at every possible allocation in turn: the
// list is then either as it was or correctly updated, never left with an empty
// row, and the lock is free.
TEST_F(PlayerTopRankingTest, RunningOutOfMemoryNeverLeavesAnEmptyRowOrAHeldLock) {
    Seed(store(), {MakeRow(u"a", 50), MakeRow(u"b", 30)});
    const ObjectId p = Join(u"someone-with-a-long-name", 20);
    const auto before = Rows(store());
    ASSERT_EQ(3u, before.size());
    bool failedOnce = false;
    for (std::uint64_t k = 1; k < 200; ++k) {
        Seed(store(), before);
        bool threw = false;
        {
            ScopedAllocationFailure failure(k);
            try {
                SetLevel(p, 40);
            } catch (const std::bad_alloc&) {
                threw = true;
            }
            if (!failure.Triggered()) break;
        }
        failedOnce = failedOnce || threw;
        const auto rows = Rows(store());
        ASSERT_EQ(3u, rows.size()) << "k=" << k;
        for (const Row& row : rows) ASSERT_NE(HostValue(std::u16string()), row[0]) << "k=" << k;
        const auto names = Names(store());
        ASSERT_TRUE((names == std::vector<std::u16string>{u"a", u"b", u"someone-with-a-long-name"}) ||
                    (names == std::vector<std::u16string>{u"a", u"someone-with-a-long-name", u"b"}))
            << "k=" << k;
        ASSERT_EQ(0, LockValue(store())) << "k=" << k;
    }
    EXPECT_TRUE(failedOnce);
}

// The re-sort empties the record before writing it back; a shortage of memory
// at any point must not lose a row.
TEST_F(PlayerTopRankingTest, ResortRunningOutOfMemoryKeepsEveryRow) {
    std::vector<Row> seeded;
    for (int i = 0; i < 20; ++i) {
        seeded.push_back(MakeRow(u"a-rather-long-player-name-" + std::u16string(1, static_cast<char16_t>(u'a' + i)),
                                 i % 4));
    }
    bool sawFailure = false;
    for (std::uint64_t k = 1; k < 500; ++k) {
        Seed(store(), seeded);
        {
            ScopedAllocationFailure failure(k);
            try {
                kernel().RunHeartBeat(Scene(1), kHeartBeat);
            } catch (const std::bad_alloc&) {
                sawFailure = true;
            }
            if (!failure.Triggered()) break;
        }
        auto names = Names(store());
        ASSERT_EQ(20u, names.size()) << "k=" << k;
        std::sort(names.begin(), names.end());
        ASSERT_EQ(names.end(), std::adjacent_find(names.begin(), names.end())) << "k=" << k;
        ASSERT_EQ(0, LockValue(store())) << "k=" << k;
    }
    EXPECT_TRUE(sawFailure);
}

}  // namespace
