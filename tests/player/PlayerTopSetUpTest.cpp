// Creating, resizing and migrating "PlayerToplistRec" when a base scene
// initialises, and the report of a missing sibling.
#include <gtest/gtest.h>

#include <algorithm>

#include "PlayerListSupport.h"
#include "host/PluginLibrary.h"
#include "support/HostFixture.h"

using namespace PlayerList;

namespace {

const std::vector<int> kOlderTypes = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_WIDESTR, VT_INT, VT_WIDESTR, VT_INT};
// Name, Level, Profession, Nation, Guild, Points, Castle, CastlePoints
const std::vector<Row> kOlderRows = {
    {std::u16string(u"first"), 90, 3, 1, std::u16string(u"g1"), 11, std::u16string(u"c1"), 21},
    {std::u16string(u"second"), 80, 4, 2, std::u16string(u"g2"), 12, std::u16string(u"c2"), 22}};
// Nation and profession swap places; three zero columns follow.
const std::vector<Row> kMigratedRows = {
    {std::u16string(u"first"), 90, 1, 3, std::u16string(u"g1"), 11, std::u16string(u"c1"), 21, 0, 0, 0},
    {std::u16string(u"second"), 80, 2, 4, std::u16string(u"g2"), 12, std::u16string(u"c2"), 22, 0, 0, 0}};

class PlayerTopSetUpTest : public HostFixture {
protected:
    PubDataStore& store() { return world().Store(); }
    void SystemInit() { kernel().RaiseEvent(Scene(2), "OnSystemInit"); }
    PubDataStore::RecordSnapshot Record() {
        return store().Snapshot(kSpace, kRecord).value_or(PubDataStore::RecordSnapshot{});
    }
    // The record must be saved, full size, of the current layout, with the lock free.
    void ExpectCurrentShape() {
        const auto record = Record();
        EXPECT_EQ(150, record.maxRows);
        EXPECT_EQ(kColumnTypes, record.colTypes);
        EXPECT_TRUE(record.save);
        EXPECT_EQ(0, LockValue(store()));
    }
};

TEST_F(PlayerTopSetUpTest, CreatesAMissingListAndMigratesTheOlderLayout) {
    store().RemoveRecord(store().SpaceIndex(kSpace), kRecord);
    store().SetPropertyInt(store().SpaceIndex(kSpace), kLock, 1);  // left held by a stopped server
    SystemInit();
    ExpectCurrentShape();
    EXPECT_TRUE(Record().rows.empty());

    ASSERT_TRUE(store().Seed(kSpace, kRecord, 150, kOlderTypes, kOlderRows));
    SystemInit();
    ExpectCurrentShape();
    EXPECT_EQ(kMigratedRows, Record().rows);
}

TEST_F(PlayerTopSetUpTest, ResizesToAHundredAndFiftyKeepingRowsAndLeavesAFullSizeListAlone) {
    std::vector<Row> rows;
    for (int i = 0; i < 80; ++i) rows.push_back(MakeRow(std::u16string(1, static_cast<char16_t>(u'0' + i)), 200 - i));
    ASSERT_TRUE(Seed(store(), rows, 100));
    SystemInit();
    ExpectCurrentShape();
    auto record = Record();
    ASSERT_EQ(150u, record.rows.size());
    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), record.rows.begin()));
    EXPECT_EQ(70, std::count(record.rows.begin() + 80, record.rows.end(), kEmptyRow));

    rows.resize(37);
    ASSERT_TRUE(Seed(store(), rows));
    SystemInit();
    EXPECT_EQ(rows, Record().rows);
}

// Whatever allocation fails in a migration or a resize, no row is lost: the list
// is untouched or fully rebuilt, and its lock is free.
TEST_F(PlayerTopSetUpTest, SetUpRunningOutOfMemoryKeepsTheRows) {
    std::vector<Row> rows;
    for (int i = 0; i < 5; ++i) rows.push_back(MakeRow(std::u16string(12, static_cast<char16_t>(u'a' + i)), 9 - i));
    for (const bool migrate : {true, false}) {
        for (std::uint64_t k = 1;; ++k) {
            ASSERT_TRUE(migrate ? store().Seed(kSpace, kRecord, 150, kOlderTypes, kOlderRows)
                                : Seed(store(), rows, 100));
            if (!FailingAt(k, [&] { SystemInit(); })) break;
            const auto record = Record();
            if (migrate) {
                ASSERT_EQ(record.colTypes.size() == 11 ? kMigratedRows : kOlderRows, record.rows) << "k=" << k;
            } else {
                // Resized: the rows first, then padding (which a shortage may cut short).
                const std::size_t kept = record.maxRows == 150 ? rows.size() : record.rows.size();
                ASSERT_EQ(rows, std::vector<Row>(record.rows.begin(),
                                                 record.rows.begin() + std::min(kept, record.rows.size())))
                    << "k=" << k;
                ASSERT_EQ(record.rows.size() - kept,
                          std::count(record.rows.begin() + kept, record.rows.end(), kEmptyRow));
            }
            ASSERT_EQ(0, LockValue(store())) << "k=" << k;
        }
    }
}

TEST(PlayerTopStartUp, MissingCriticalManagerIsReportedAndInitFails) {
    ServerOptions options;
    options.withCriticalManager = false;
    World world;
    Server& server = world.AddServer(options);
    ASSERT_TRUE(server.Start()) << server.Error();
    EXPECT_FALSE(server.Module("PlayerTopSystem")->init || server.Module("PlayerTopSystem")->afterInitCalled);
    const std::vector<std::string> report = {"Not exist CriticalManagerSystem module!", ".\\PlayerTopSystem (18)"};
    for (const auto* lines : {&server.Kernel().Traces(), &server.Kernel().Logs()})
        EXPECT_NE(lines->end(), std::search(lines->begin(), lines->end(), report.begin(), report.end()));
}

// A host that calls AfterInit although Init failed gets false from each ranked
// list, and no callback: without the sibling no player could be watched.
TEST(PlayerTopStartUp, AfterInitWithoutTheSiblingRegistersNothing) {
    for (const std::string name : {"PlayerTopSystem", "NewCharmTopSystem", "PlayerTopAlwaysWinSystem"}) {
        PluginLibrary plugin;
        ASSERT_TRUE(plugin.LoadPrivateCopy(VOGAME_LIBRARY_PATH, "after-init-" + name)) << plugin.Error();
        MemoryPubDataStore store;
        HostKernel kernel(store, 1);
        IModule* module = nullptr;
        for (IModuleCreator* c = plugin.Creators(); c != nullptr; c = c->next)
            if (name == c->GetModuleName()) module = c->GetModule();
        ASSERT_NE(module, nullptr) << name;
        EXPECT_FALSE(module->Init(&kernel)) << name;
        EXPECT_FALSE(module->AfterInit(&kernel)) << name;
        EXPECT_EQ(kernel.CallbackCount(), 0u) << name;
        plugin.Unload();
        kernel.ForgetLibrary();
    }
}

}  // namespace
