// Start-up, rebuilding, admission and the hourly re-sort of the charm list.
#include <gtest/gtest.h>

#include <algorithm>

#include "CharmList.h"
#include "support/HostFixture.h"

namespace {

using charm::Row;
using Names = std::vector<std::u16string>;

class CharmLifecycle : public HostFixture {
protected:
    PubDataStore& store() { return world().Store(); }
    void Resort() { ASSERT_TRUE(kernel().RunHeartBeat(Scene(1), charm::kResort)); }
};

TEST_F(CharmLifecycle, SystemInitRebuildsKeepingRowsInOrderAndFreesTheLock) {
    std::vector<Row> rows;
    for (int i = 0; i < 37; ++i) {
        // Deliberately out of charm order: a rebuild keeps the order it finds.
        rows.push_back({u"p" + std::u16string(1, static_cast<char16_t>(u'A' + i)), (i * 7) % 37, i, i + 1,
                        u"guild", "castle" + std::to_string(i), i % 5, i % 3, i % 4});
    }
    ASSERT_TRUE(charm::Seed(store(), rows, 100));
    const int index = store().SpaceIndex(charm::kSpace);
    store().SetPropertyInt(index, charm::kLock, 1);  // left held by a stopped server

    kernel().RaiseEvent(Scene(2), "OnSystemInit");

    const auto snap = store().Snapshot(charm::kSpace, charm::kRecord);
    ASSERT_TRUE(snap.has_value());
    EXPECT_EQ(snap->maxRows, 150);
    EXPECT_EQ(snap->colTypes, charm::kColumnTypes);
    EXPECT_EQ(charm::Rows(store()), rows);
    EXPECT_EQ(charm::LockValue(store()), 0);
}

TEST_F(CharmLifecycle, PlayerEntersOnlyOnceGutOverReachesOne) {
    auto* critical = server().Critical();
    const ObjectId p = Player(u"late", {{"GutOver", 0}, {"Charm", 9}});
    EXPECT_TRUE(charm::Names(store()).empty());
    EXPECT_TRUE(critical->IsWatched(p, "GutOver", "NewCharmTopSystem::OnPlayerGutOverChanged"));
    EXPECT_FALSE(critical->IsWatched(p, "Charm", "NewCharmTopSystem::OnCharmChanged"));

    server().SetProperty(p, "GutOver", 1);
    EXPECT_EQ(charm::Names(store()), (Names{u"late"}));
    EXPECT_TRUE(critical->IsWatched(p, "Level", "NewCharmTopSystem::OnLevelChanged"));
    EXPECT_TRUE(critical->IsWatched(p, "GuildName", "NewCharmTopSystem::OnGuildChanged"));
    EXPECT_TRUE(critical->IsWatched(p, "CastleNameID", "NewCharmTopSystem::OnCastleChanged"));
    EXPECT_TRUE(critical->IsWatched(p, "Charm", "NewCharmTopSystem::OnCharmChanged"));
    EXPECT_TRUE(critical->IsWatched(p, "GiftNum", "NewCharmTopSystem::OnGiftNumChanged"));

    server().SetProperty(p, "Charm", 20);
    EXPECT_EQ(charm::Rows(store()).at(0).charm, 20);
}

TEST_F(CharmLifecycle, FirstHomeSceneLoadArmsAnHourlyResortLaterLoadsOnlyCount) {
    EXPECT_TRUE(kernel().FindHeartBeat(Scene(1), charm::kResort));
    ASSERT_TRUE(charm::Seed(store(), {{u"low", 1}, {u"high", 9}}));

    const ObjectId second = server().CreateScene(4, "HomeScene");
    kernel().RaiseEvent(second, "OnLoad");
    EXPECT_FALSE(kernel().FindHeartBeat(second, charm::kResort));
    EXPECT_EQ(charm::Names(store()), (Names{u"low", u"high"}));  // no re-sort

    kernel().Advance(3600000 - 1000);
    EXPECT_EQ(charm::Names(store()), (Names{u"low", u"high"}));
    kernel().Advance(1000);
    EXPECT_EQ(charm::Names(store()), (Names{u"high", u"low"}));
}

TEST_F(CharmLifecycle, ResortOrdersByCharmGiftsLevelThenNameAscending) {
    ASSERT_TRUE(charm::Seed(store(), {
                                         {u"b", 10, 1, 5},
                                         {u"a", 10, 1, 5},
                                         {u"c", 10, 2, 1},
                                         {u"gifts", 9, 99, 99},
                                         {u"top", 11, 0, 0},
                                         {u"lvl", 10, 1, 6},
                                     }));
    Resort();
    EXPECT_EQ(charm::Names(store()), (Names{u"top", u"c", u"lvl", u"a", u"b", u"gifts"}));

    // Names compare by unsigned 16-bit units; a prefix comes first.
    ASSERT_TRUE(charm::Seed(store(), {{u"\uFF21", 1}, {u"abc", 1}, {u"ab", 1}, {u"Z", 1}, {u"\u00E9", 1}}));
    Resort();
    EXPECT_EQ(charm::Names(store()), (Names{u"Z", u"ab", u"abc", u"\u00E9", u"\uFF21"}));
    EXPECT_EQ(charm::LockValue(store()), 0);
}

TEST_F(CharmLifecycle, ResortKeepsOfEqualKeysTheRowNearerTheEnd) {
    ASSERT_TRUE(charm::Seed(store(), {
                                         {u"x", 5, 1, 2, u"first", "c1"},
                                         {u"y", 5, 1, 2},
                                         {u"x", 5, 1, 2, u"second", "c2"},
                                         {u"x", 5, 1, 3, u"other level"},
                                     }));
    Resort();
    const auto rows = charm::Rows(store());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].guild, u"other level");
    EXPECT_EQ(rows[1].name, u"x");
    EXPECT_EQ(rows[1].guild, u"second");
    EXPECT_EQ(rows[1].castle, "c2");
    EXPECT_EQ(rows[2].name, u"y");
}

TEST(CharmStart, MissingCriticalManagerFailsInitWithItsReport) {
    World world;
    ServerOptions options;
    options.withCriticalManager = false;
    Server& server = world.AddServer(options);
    ASSERT_TRUE(server.Start()) << server.Error();

    const ModuleStartResult* charmModule = server.Module("NewCharmTopSystem");
    ASSERT_NE(charmModule, nullptr);
    EXPECT_FALSE(charmModule->init);
    EXPECT_FALSE(charmModule->afterInitCalled);

    const std::vector<std::string> report = {"Not exist CriticalManagerSystem module!", ".\\NewCharmTopSystem (30)"};
    for (const auto* lines : {&server.Kernel().Traces(), &server.Kernel().Logs()}) {
        const auto at = std::search(lines->begin(), lines->end(), report.begin(), report.end());
        EXPECT_NE(at, lines->end());
    }
}

}  // namespace
