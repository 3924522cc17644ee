// Creating, migrating and resizing "PlayerToplistRec" when a base scene
// initialises, and the start-up report when a sibling is missing.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/AllocationControl.h"
#include "support/HostFixture.h"
#include "PlayerListSupport.h"

using namespace PlayerList;

namespace {

class PlayerTopSetUpTest : public HostFixture {
protected:
    PubDataStore& store() { return world().Store(); }
    int Space() { return store().SpaceIndex(kSpace); }
    void SystemInit() { kernel().RaiseEvent(Scene(2), "OnSystemInit"); }
};

TEST_F(PlayerTopSetUpTest, StartCreatesAnEmptySavedRecordWithAFreeLock) {
    const auto snapshot = store().Snapshot(kSpace, kRecord);
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_EQ(150, snapshot->maxRows);
    EXPECT_EQ(ColumnTypes(), snapshot->colTypes);
    EXPECT_TRUE(snapshot->rows.empty());
    EXPECT_TRUE(snapshot->save);
    ASSERT_TRUE(store().FindProperty(Space(), kLock));
    EXPECT_EQ(0, LockValue(store()));

    // Created again after it went missing, with a lock left held reset.
    store().RemoveRecord(Space(), kRecord);
    store().SetPropertyInt(Space(), kLock, 1);
    SystemInit();
    EXPECT_TRUE(store().FindRecord(Space(), kRecord));
    EXPECT_EQ(0, LockValue(store()));
}

TEST_F(PlayerTopSetUpTest, CurrentLayoutAtFullSizeIsLeftAsItWas) {
    std::vector<Row> rows;
    for (int i = 0; i < 37; ++i) rows.push_back(MakeRow(std::u16string(1, static_cast<char16_t>(u'A' + i)), 5, i));
    Seed(store(), rows);
    SystemInit();
    const auto snapshot = store().Snapshot(kSpace, kRecord);
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_EQ(150, snapshot->maxRows);
    EXPECT_EQ(rows, snapshot->rows);
}

TEST_F(PlayerTopSetUpTest, SmallerMaximumIsRaisedAndPaddedWithEmptyRows) {
    std::vector<Row> rows;
    for (int i = 0; i < 80; ++i) {
        std::u16string name = u"p";
        name.push_back(static_cast<char16_t>(u'0' + i / 10));
        name.push_back(static_cast<char16_t>(u'0' + i % 10));
        rows.push_back(MakeRow(name, 200 - i));
    }
    Seed(store(), rows, 100);
    SystemInit();
    const auto snapshot = store().Snapshot(kSpace, kRecord);
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_EQ(150, snapshot->maxRows);
    EXPECT_EQ(ColumnTypes(), snapshot->colTypes);
    EXPECT_TRUE(snapshot->save);
    ASSERT_EQ(150u, snapshot->rows.size());
    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), snapshot->rows.begin()));
    const Row empty = {HostValue(u""), 0, 0, 0, HostValue(u""), 0, HostValue(u""), 0, 0, 0, 0};
    for (std::size_t i = 80; i < 150; ++i) ASSERT_EQ(empty, snapshot->rows[i]) << i;

    // A larger maximum shrinks, keeping the first rows.
    Seed(store(), rows, 200);
    SystemInit();
    const auto shrunk = store().Snapshot(kSpace, kRecord);
    EXPECT_EQ(150, shrunk->maxRows);
    EXPECT_EQ(rows, std::vector<Row>(shrunk->rows.begin(), shrunk->rows.begin() + 80));
}

const std::vector<int> kOlderTypes = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_WIDESTR, VT_INT, VT_WIDESTR, VT_INT};

std::vector<Row> OlderRows() {
    // Name, Level, Profession, Nation, Guild, Points, Castle, CastlePoints
    return {{HostValue(u"first"), 90, 3, 1, HostValue(u"g1"), 11, HostValue(u"c1"), 21},
            {HostValue(u"second"), 80, 4, 2, HostValue(u"g2"), 12, HostValue(u"c2"), 22}};
}

TEST_F(PlayerTopSetUpTest, OlderLayoutIsMigratedWithItsColumnsMapped) {
    ASSERT_TRUE(store().Seed(kSpace, kRecord, 150, kOlderTypes, OlderRows()));
    SystemInit();
    const auto snapshot = store().Snapshot(kSpace, kRecord);
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_EQ(150, snapshot->maxRows);
    EXPECT_EQ(ColumnTypes(), snapshot->colTypes);
    EXPECT_TRUE(snapshot->save);
    const std::vector<Row> expected = {
        {HostValue(u"first"), 90, 1, 3, HostValue(u"g1"), 11, HostValue(u"c1"), 21, 0, 0, 0},
        {HostValue(u"second"), 80, 2, 4, HostValue(u"g2"), 12, HostValue(u"c2"), 22, 0, 0, 0}};
    EXPECT_EQ(expected, snapshot->rows);
    EXPECT_EQ(0, LockValue(store()));
}

// Whatever allocation fails during the migration, the older rows are not lost:
// the record is either untouched or fully migrated, and its lock is free.
TEST_F(PlayerTopSetUpTest, MigrationRunningOutOfMemoryKeepsTheOlderRows) {
    const std::vector<Row> migrated = {
        {HostValue(u"first"), 90, 1, 3, HostValue(u"g1"), 11, HostValue(u"c1"), 21, 0, 0, 0},
        {HostValue(u"second"), 80, 2, 4, HostValue(u"g2"), 12, HostValue(u"c2"), 22, 0, 0, 0}};
    bool sawFailure = false;
    for (std::uint64_t k = 1; k < 400; ++k) {
        ASSERT_TRUE(store().Seed(kSpace, kRecord, 150, kOlderTypes, OlderRows()));
        {
            ScopedAllocationFailure failure(k);
            try {
                SystemInit();
            } catch (const std::bad_alloc&) {
                sawFailure = true;
            }
            if (!failure.Triggered()) break;
        }
        const auto snapshot = store().Snapshot(kSpace, kRecord);
        ASSERT_TRUE(snapshot.has_value()) << "k=" << k;
        if (snapshot->colTypes.size() == 11) {
            ASSERT_EQ(migrated, snapshot->rows) << "k=" << k;
        } else {
            ASSERT_EQ(OlderRows(), snapshot->rows) << "k=" << k;
        }
        ASSERT_EQ(0, LockValue(store())) << "k=" << k;
    }
    EXPECT_TRUE(sawFailure);
}

TEST(PlayerTopStartUp, MissingCriticalManagerIsReportedAndInitFails) {
    ServerOptions options;
    options.withCriticalManager = false;
    World world;
    Server& server = world.AddServer(options);
    ASSERT_TRUE(server.Start()) << server.Error();
    const ModuleStartResult* module = server.Module("PlayerTopSystem");
    ASSERT_NE(nullptr, module);
    EXPECT_FALSE(module->init);
    EXPECT_FALSE(module->afterInitCalled);

    const std::vector<std::string> report = {"Not exist CriticalManagerSystem module!", ".\\PlayerTopSystem (18)"};
    for (const auto* lines : {&server.Kernel().Traces(), &server.Kernel().Logs()}) {
        const auto at = std::search(lines->begin(), lines->end(), report.begin(), report.end());
        EXPECT_NE(lines->end(), at);
    }
    server.Kernel().ClearLogs();
    world.Store().Diagnostics().Clear();
}

}  // namespace
