// The repair that follows a lock takeover, on a small list of name, key and one
// more value, against the reference host's store in-process: what a stopped
// holder can leave behind, and what the list holds afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/HostKernel.h"
#include "host/MemoryPubDataStore.h"
#include "record/PubRecordHandle.h"
#include "top/RankedRepair.h"

namespace {

using namespace TopList;

constexpr const char16_t* kSpace = u"Pub_Repair";
constexpr const char* kRecord = "RepairRec";
constexpr int kTypes[] = {VT_WIDESTR, VT_INT, VT_INT};
constexpr ResortKey kOrder[] = {{1, true}, {0, true}};

RankedList Describe(bool fillerRows, EqualKeysKeep keeps, int maxRows) {
    RankedList list{};
    list.pubSpace = kSpace;
    list.record = kRecord;
    list.columnTypes = kTypes;
    list.keyColumn = 1;
    list.maxRows = maxRows;
    list.fillerRows = fillerRows;
    list.resortOrder = kOrder;
    list.resortKeeps = keeps;
    list.resortRows = maxRows;
    return list;
}

using Row = std::vector<HostValue>;
Row R(const char16_t* name, int key, int other = 0) { return {std::u16string(name), key, other}; }

struct Case {
    const char* what;
    bool fillerRows;
    EqualKeysKeep keeps;
    int maxRows;
    std::vector<Row> left;      // as the stopped holder left the list
    std::vector<Row> repaired;  // what the next holder finds after the repair
};

const Case kCases[] = {
    {"a whole list is left as it is",
     false,
     EqualKeysKeep::NearerTop,
     150,
     {R(u"a", 30), R(u"b", 20, 1), R(u"c", 20, 2)},
     {R(u"a", 30), R(u"b", 20, 1), R(u"c", 20, 2)}},
    {"rank order by key; equal keys keep their order",
     false,
     EqualKeysKeep::NearerTop,
     150,
     {R(u"b", 10), R(u"a", 30), R(u"c", 10), R(u"d", 20)},
     {R(u"a", 30), R(u"d", 20), R(u"b", 10), R(u"c", 10)}},
    {"a move stopped before the old row left: the best ranked row stays",
     false,
     EqualKeysKeep::NearerTop,
     150,
     {R(u"a", 40, 2), R(u"b", 30), R(u"a", 20, 1)},
     {R(u"a", 40, 2), R(u"b", 30)}},
    {"one name, equal keys: the nearer top stays",
     false,
     EqualKeysKeep::NearerTop,
     150,
     {R(u"a", 20, 1), R(u"b", 25), R(u"a", 20, 2)},
     {R(u"b", 25), R(u"a", 20, 1)}},
    {"one name, equal keys: a list whose re-sort keeps the nearer end keeps it",
     false,
     EqualKeysKeep::NearerEnd,
     150,
     {R(u"a", 20, 1), R(u"b", 25), R(u"a", 20, 2)},
     {R(u"b", 25), R(u"a", 20, 2)}},
    {"half-written rows leave: named last, or inserted and never filled",
     false,
     EqualKeysKeep::NearerTop,
     150,
     {R(u"a", 30), R(u"", 12, 5), R(u"", 0), R(u"b", 10)},
     {R(u"a", 30), R(u"b", 10)}},
    {"a resize's unnamed rows of defaults stay where the list keeps them",
     true,
     EqualKeysKeep::NearerTop,
     150,
     {R(u"", 0), R(u"a", 30), R(u"", 12, 5), R(u"", 0), R(u"b", 10)},
     {R(u"a", 30), R(u"b", 10), R(u"", 0), R(u"", 0)}},
    {"rows past the maximum leave, the lowest ranked first",
     false,
     EqualKeysKeep::NearerTop,
     3,
     {R(u"d", 2), R(u"a", 5), R(u"b", 4), R(u"c", 3)},
     {R(u"a", 5), R(u"b", 4), R(u"c", 3)}},
};

class RankedRepair : public ::testing::Test {
protected:
    std::vector<Row> Rows() {
        auto snapshot = store.Snapshot(kSpace, kRecord);
        return snapshot ? snapshot->rows : std::vector<Row>{};
    }

    MemoryPubDataStore store;
    HostKernel kernel{store, 1};
};

TEST_F(RankedRepair, LeavesWholeRowsOnePerNameInRankOrderWithinTheMaximum) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(store.Seed(kSpace, kRecord, 10, {VT_WIDESTR, VT_INT, VT_INT}, c.left));
        const RankedList list = Describe(c.fillerRows, c.keeps, c.maxRows);
        PubRecordHandle handle(&kernel, kSpace, kRecord);
        const bool rewritten = RepairLocked(handle, list);
        EXPECT_EQ(Rows(), c.repaired);
        EXPECT_EQ(rewritten, c.left != c.repaired);
    }
    EXPECT_TRUE(store.Diagnostics().Empty()) << store.Diagnostics().Joined();
}

// Many rows of two keys, alternating: ordering them keeps each key's rows in
// the order they stood (an unstable sort shuffles rows of equal keys).
TEST_F(RankedRepair, RowsOfEqualKeysKeepTheirOrderInALongList) {
    std::vector<Row> left, repaired[2];
    for (int i = 0; i < 120; ++i) {
        const std::u16string name = u"p" + std::u16string(1, static_cast<char16_t>(u'0' + i / 10)) +
                                    std::u16string(1, static_cast<char16_t>(u'0' + i % 10));
        left.push_back({name, i % 2 == 0 ? 10 : 20, i});
        repaired[i % 2].push_back(left.back());
    }
    repaired[1].insert(repaired[1].end(), repaired[0].begin(), repaired[0].end());
    ASSERT_TRUE(store.Seed(kSpace, kRecord, 150, {VT_WIDESTR, VT_INT, VT_INT}, left));
    PubRecordHandle handle(&kernel, kSpace, kRecord);
    EXPECT_TRUE(RepairLocked(handle, Describe(false, EqualKeysKeep::NearerTop, 150)));
    EXPECT_EQ(Rows(), repaired[1]);
}

TEST_F(RankedRepair, SetsColumnTypesLeftUnsetAndLeavesOtherLayoutsAlone) {
    const RankedList list = Describe(false, EqualKeysKeep::NearerTop, 150);
    PubRecordHandle handle(&kernel, kSpace, kRecord);
    EXPECT_FALSE(RepairLocked(handle, list)) << "no record";

    // Re-created by a holder that stopped before it typed every column.
    ASSERT_TRUE(handle.AddRecord(150, 3));
    handle.SetColumnType(0, VT_WIDESTR);
    EXPECT_TRUE(RepairLocked(handle, list));
    EXPECT_EQ(store.Snapshot(kSpace, kRecord)->colTypes, (std::vector<int>{VT_WIDESTR, VT_INT, VT_INT}));

    // An older layout is the set-up's to migrate.
    ASSERT_TRUE(
        store.Seed(kSpace, kRecord, 150, {VT_WIDESTR, VT_INT}, {{std::u16string(u"b"), 1}, {std::u16string(u"a"), 2}}));
    EXPECT_FALSE(RepairLocked(handle, list));
    EXPECT_EQ(store.Rows(store.SpaceIndex(kSpace), kRecord), 2);
    EXPECT_EQ(store.QueryInt(store.SpaceIndex(kSpace), kRecord, 0, 1), 1);
}

}  // namespace
