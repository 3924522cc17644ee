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

TEST_F(CharmLifecycle, SystemInitRebuildsKeepingRowsInOrder) {
    std::vector<Row> rows;
    for (int i = 0; i < 37; ++i) {  // deliberately out of charm order: a rebuild keeps the order it finds
        rows.push_back({u"p" + std::u16string(1, static_cast<char16_t>(u'A' + i)), (i * 7) % 37, i, i + 1, u"guild",
                        "castle" + std::to_string(i), i % 5, i % 3, i % 4});
    }
    ASSERT_TRUE(charm::Seed(store(), rows, 100));

    kernel().RaiseEvent(Scene(2), "OnSystemInit");
    const auto snap = store().Snapshot(charm::kSpace, charm::kRecord);
    ASSERT_TRUE(snap.has_value());
    EXPECT_EQ(snap->maxRows, 150);
    EXPECT_EQ(snap->colTypes, charm::kColumnTypes);
    EXPECT_EQ(charm::Rows(store()), rows);
    EXPECT_EQ(charm::LockValue(store()), 0);
}

TEST_F(CharmLifecycle, PlayerEntersOnlyOnceGutOverReachesOneAndIsThenFollowed) {
    const ObjectId p = Player(u"late", {{"GutOver", 0}, {"Charm", 9}});
    server().SetProperty(p, "Charm", 10);
    EXPECT_TRUE(charm::Names(store()).empty());

    server().SetProperty(p, "GutOver", 1);
    EXPECT_EQ(charm::Names(store()), (Names{u"late"}));
    server().SetProperty(p, "Charm", 20);
    server().SetProperty(p, "Level", 3);
    EXPECT_EQ(charm::Rows(store()), (std::vector<Row>{{u"late", 20, 0, 3}}));
}

TEST_F(CharmLifecycle, FirstHomeSceneLoadArmsAnHourlyResortLaterLoadsOnlyCount) {
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

TEST_F(CharmLifecycle, ResortOrdersByCharmGiftsLevelThenNameKeepingTheLaterOfEqualRows) {
    ASSERT_TRUE(charm::Seed(store(), {{u"b", 10, 1, 5},
                                      {u"a", 10, 1, 5},
                                      {u"c", 10, 2, 1},
                                      {u"gifts", 9, 99, 99},
                                      {u"top", 11, 0, 0},
                                      {u"lvl", 10, 1, 6},
                                      {u"a", 10, 1, 5, u"later", "c2"}}));
    Resort();
    EXPECT_EQ(charm::Names(store()), (Names{u"top", u"c", u"lvl", u"a", u"b", u"gifts"}));
    EXPECT_EQ(charm::Rows(store()).at(3), (Row{u"a", 10, 1, 5, u"later", "c2"}));

    // Names compare by unsigned 16-bit units; a prefix comes first.
    ASSERT_TRUE(charm::Seed(store(), {{u"\uFF21", 1}, {u"abc", 1}, {u"ab", 1}, {u"Z", 1}, {u"\u00E9", 1}}));
    Resort();
    EXPECT_EQ(charm::Names(store()), (Names{u"Z", u"ab", u"abc", u"\u00E9", u"\uFF21"}));
    EXPECT_EQ(charm::LockValue(store()), 0);
}

TEST(CharmStart, MissingCriticalManagerFailsInitWithItsReport) {
    ServerOptions options;
    options.withCriticalManager = false;
    World world(1, options);
    Server& server = world.server(0);
    ASSERT_TRUE(server.Start()) << server.Error();
    const ModuleStartResult* charmModule = server.Module("NewCharmTopSystem");
    ASSERT_NE(charmModule, nullptr);
    EXPECT_FALSE(charmModule->init || charmModule->afterInitCalled);
    const std::vector<std::string> report = {"Not exist CriticalManagerSystem module!", ".\\NewCharmTopSystem (30)"};
    for (const auto* lines : {&server.Kernel().Traces(), &server.Kernel().Logs()})
        EXPECT_NE(std::search(lines->begin(), lines->end(), report.begin(), report.end()), lines->end());
}

}  // namespace
