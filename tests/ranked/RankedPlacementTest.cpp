// Placing one player in a ranked list: the place is found by halving the rows,
// so the tie rules are checked where a halving goes wrong first: equal keys
// around the new place, the first and the last row, a full list, a list of one.
#include <gtest/gtest.h>

#include <vector>

#include "record/PubRecordHandle.h"
#include "ranked/SmallList.h"
#include "top/RankedPlacement.h"

namespace {

using namespace SmallList;

struct Case {
    const char* what;
    int maxRows;
    bool unchangedKeyWritesNothing;
    const char* before;
    const char* player;  // his name, key and other value, as a row
    const char* after;
};

const Case kCases[] = {
    {"an empty list takes him at row 0", 4, false, "", "x5", "x5"},
    {"one row: an equal key goes below it", 4, false, "a5", "x5", "a5 x5"},
    {"one row: a greater key goes above it", 4, false, "a5", "x6", "x6 a5"},
    {"one row: a smaller key goes below it", 4, false, "a5", "x4", "a5 x4"},
    {"below every row of his key", 9, false, "a50 b40 c40 d30", "x40", "a50 b40 c40 x40 d30"},
    {"between two keys", 9, false, "a50 b40 c40 d30", "x45", "a50 x45 b40 c40 d30"},
    {"above the first row", 9, false, "a50 b40", "x60", "x60 a50 b40"},
    {"equal to a run of equal first rows", 9, false, "a50 b50 c40", "x50", "a50 b50 x50 c40"},
    {"equal to the last row", 9, false, "a50 b40", "x40", "a50 b40 x40"},
    {"below the last row", 9, false, "a50 b40", "x1", "a50 b40 x1"},
    {"every row equal", 9, false, "a7 b7 c7 d7 e7", "x7", "a7 b7 c7 d7 e7 x7"},
    {"a full list refuses a key equal to its last", 3, false, "a50 b40 c30", "x30", "a50 b40 c30"},
    {"a full list: the last row leaves, he goes below equals", 3, false, "a50 b40 c30", "x40", "a50 b40 x40"},
    {"a full list: above all", 3, false, "a50 b40 c30", "x60", "x60 a50 b40"},
    {"a full list of one row refuses an equal key", 1, false, "a5", "x5", "a5"},
    {"a full list of one row takes a greater key", 1, false, "a5", "x6", "x6"},
    {"listed, rising past equals", 9, false, "a50 b40 c30 x20", "x40", "a50 b40 x40 c30"},
    {"listed, key kept: below the equal rows after him", 9, false, "a50 x40 b40 c30", "x40", "a50 b40 x40 c30"},
    {"listed, place unchanged: rewritten where he stands", 9, false, "a50 x40 c30", "x45/7", "a50 x45/7 c30"},
    {"listed, falling", 9, false, "x50 a40 b30", "x35", "a40 x35 b30"},
    {"listed alone", 9, false, "x5", "x9/1", "x9/1"},
    {"listed last in a full list, rising to the top", 3, false, "a50 b40 x30", "x60", "x60 a50 b40"},
    {"listed first in a full list, falling to the end", 3, false, "x50 a40 b30", "x10", "a40 b30 x10"},
    {"listed in a full list, falling to the last row's key", 3, false, "x50 a40 b30", "x30", "a40 b30 x30"},
    {"listed in a full list, place unchanged", 3, false, "a50 x40 b30", "x41/2", "a50 x41/2 b30"},
    {"an unchanged key writes nothing, not even other values", 9, true, "a50 x40/1 b40", "x40/9", "a50 x40/1 b40"},
    {"unchanged keys kept: rising", 9, true, "a50 b40 x30", "x45", "a50 x45 b40"},
    {"unchanged keys kept: rising to an equal run", 9, true, "a50 b40 c40 x30", "x40", "a50 b40 c40 x40"},
    {"unchanged keys kept: falling into an equal run", 9, true, "x50 a40 b40 c30", "x40", "a40 b40 x40 c30"},
    {"unchanged keys kept: falling to the end of a full list", 4, true, "x50 a40 b40 c30", "x1", "a40 b40 c30 x1"},
};

TEST(RankedPlacement, EachPlayerLandsBelowEveryRowOfAnEqualOrGreaterKey) {
    MemoryPubDataStore store;
    HostKernel kernel{store, 1};
    kernel.CreateScene(1);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Seed(store, c.before, c.maxRows));
        const Row values = Parse(c.player).at(0);
        const ObjectId player = kernel.CreatePlayer(std::get<std::u16string>(values[0]), 1);
        ASSERT_FALSE(player.IsNull());
        kernel.SetProperty(player, "Key", values[1]);
        kernel.SetProperty(player, "Other", values[2]);
        TopList::EnterPlayer(&kernel, player, Describe(c.maxRows, c.unchangedKeyWritesNothing));
        EXPECT_EQ(Rows(store), c.after);
        kernel.DestroyObject(player);
    }
    EXPECT_TRUE(store.Diagnostics().Empty()) << store.Diagnostics().Joined();
}

// The halving against counting every row, over every ranked list of up to six
// rows of keys 1 to 3, every key from 0 to 4 and every row left out, with the
// range the placement narrows it to once it knows the left-out row's key.
TEST(RankedPlacement, TheHalvingCountsTheRowsOfAnEqualOrGreaterKey) {
    MemoryPubDataStore store;
    HostKernel kernel{store, 1};
    PubRecordHandle handle(&kernel, kSpace, kRecord);
    int lists = 0;
    for (int n = 0; n <= 6; ++n) {
        // Each ranked list of n keys from {3, 2, 1}: how many 3s, then how many 2s.
        for (int threes = 0; threes <= n; ++threes) {
            for (int twos = 0; threes + twos <= n; ++twos) {
                std::vector<int> keys(static_cast<std::size_t>(n), 1);
                std::fill_n(keys.begin(), threes, 3);
                std::fill_n(keys.begin() + threes, twos, 2);
                std::vector<Row> rows;
                for (int key : keys) rows.push_back({std::u16string(u"r"), key, 0});
                ASSERT_TRUE(store.Seed(kSpace, kRecord, 150, {VT_WIDESTR, VT_INT, VT_INT}, rows));
                ++lists;
                for (int key = 0; key <= 4; ++key) {
                    for (int skip = -1; skip < n; ++skip) {
                        int expected = 0;
                        for (int r = 0; r < n; ++r) expected += r != skip && keys[static_cast<std::size_t>(r)] >= key;
                        const int others = n - (skip >= 0 ? 1 : 0);
                        SCOPED_TRACE(::testing::Message() << "list of " << n << " (" << threes << " threes, " << twos
                                                          << " twos), key " << key << ", skip " << skip);
                        EXPECT_EQ(TopList::CountAtLeast(handle, 1, key, 0, others, skip), expected);
                        if (skip < 0) continue;
                        const int old = keys[static_cast<std::size_t>(skip)];
                        const bool up = key > old;
                        EXPECT_EQ(TopList::CountAtLeast(handle, 1, key, up ? 0 : skip, up ? skip : others, skip),
                                  expected);
                    }
                }
            }
        }
    }
    EXPECT_EQ(lists, 84);
}

}  // namespace
