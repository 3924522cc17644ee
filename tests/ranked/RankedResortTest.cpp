// The re-sort rewrites only the rows out of place, yet must leave every list
// exactly as the plain rewrite would: all rows read, sorted stably by the keys,
// one row kept per key (by the list's rule), at most resortRows, the list
// emptied and written anew. Checked against that rewrite on random small lists
// full of ties and repeated names, and through a shortage at every allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "record/PubRecordHandle.h"
#include "ranked/SmallList.h"
#include "support/AllocationControl.h"
#include "top/RankedResort.h"

namespace {

using namespace SmallList;
using TopList::EqualKeysKeep;
using TopList::ResortKey;

constexpr ResortKey kByKeyThenName[] = {{1, true}, {0, true}};
constexpr ResortKey kByKeyOtherThenName[] = {{1, true}, {2, true}, {0, false}};

struct Order {
    const char* what;
    std::span<const ResortKey> keys;
    EqualKeysKeep keeps;
    int resortRows;
};

const Order kOrders[] = {
    {"key, then name descending; the nearer top stays", kByKeyThenName, EqualKeysKeep::NearerTop, 150},
    {"key, other, then name ascending; the nearer end stays", kByKeyOtherThenName, EqualKeysKeep::NearerEnd, 150},
    {"key, other, then name ascending; the nearer top stays; ten rows at most", kByKeyOtherThenName,
     EqualKeysKeep::NearerTop, 10},
};

TopList::RankedList Describe(const Order& order) {
    TopList::RankedList list = SmallList::Describe(150);
    list.resortOrder = order.keys;
    list.resortKeeps = order.keeps;
    list.resortRows = order.resortRows;
    return list;
}

// The plain rewrite, in memory.
std::vector<Row> Rewritten(std::vector<Row> rows, const Order& order) {
    if (order.keeps == EqualKeysKeep::NearerEnd) std::reverse(rows.begin(), rows.end());
    const auto before = [&](const Row& a, const Row& b) {
        for (const ResortKey& key : order.keys) {
            if (a[key.column] == b[key.column]) continue;
            const bool less = key.column == 0 ? std::get<std::u16string>(a[0]) < std::get<std::u16string>(b[0])
                                              : std::get<int>(a[key.column]) < std::get<int>(b[key.column]);
            return key.descending ? !less : less;
        }
        return false;
    };
    std::stable_sort(rows.begin(), rows.end(), before);
    rows.erase(std::unique(rows.begin(), rows.end(),
                           [&](const Row& a, const Row& b) { return !before(a, b) && !before(b, a); }),
               rows.end());
    if (rows.size() > static_cast<std::size_t>(order.resortRows))
        rows.resize(static_cast<std::size_t>(order.resortRows));
    return rows;
}

std::uint64_t Writes(const HostKernel& kernel) {
    std::uint64_t writes = 0;
    for (const auto& [name, count] : kernel.PubDataCallsByOperation()) {
        if (name == "AddPubRecordRowValue" || name == "RemovePubRecordRow" || name == "ClearPubRecord" ||
            name == "InsertPubRecordRow" || name.starts_with("SetPubRecord")) {
            writes += count;
        }
    }
    return writes;
}

class RankedResort : public ::testing::Test {
protected:
    MemoryPubDataStore store;
    HostKernel kernel{store, 1};
};

TEST_F(RankedResort, EndsAsThePlainRewriteAndLeavesAnOrderedListUntouched) {
    std::mt19937 random(7);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (const Order& order : kOrders) {
        const TopList::RankedList list = Describe(order);
        for (int round = 0; round < 300; ++round) {
            std::vector<Row> rows;
            const int n = pick(40);
            for (int i = 0; i < n; ++i) {
                // Six names of one or two letters, one a prefix of another; keys and others that tie.
                static const char16_t* const kNames[] = {u"a", u"ab", u"b", u"c", u"d", u"e"};
                rows.push_back({std::u16string(kNames[pick(6)]), 1 + pick(3), pick(2)});
            }
            // Most lists come ranked by the key, as the lock finds them; some not at all.
            if (round % 4 != 0) {
                std::stable_sort(rows.begin(), rows.end(),
                                 [](const Row& a, const Row& b) { return std::get<int>(a[1]) > std::get<int>(b[1]); });
            }
            ASSERT_TRUE(store.Seed(kSpace, kRecord, 150, {VT_WIDESTR, VT_INT, VT_INT}, rows));
            SCOPED_TRACE(std::string(order.what) + ": " + Text(rows));
            TopList::Resort(&kernel, list);
            ASSERT_EQ(Rows(store), Text(Rewritten(rows, order)));

            const std::uint64_t writes = Writes(kernel);
            TopList::Resort(&kernel, list);
            ASSERT_EQ(Writes(kernel), writes) << "a list in order is left untouched";
        }
    }
    EXPECT_TRUE(store.Diagnostics().Empty()) << store.Diagnostics().Joined();
}

// A few rows out of place are taken out and put back: a row once out must
// come back whichever allocation fails, the list stays ranked by its key (the
// placement relies on it), and the run after finishes the job.
TEST_F(RankedResort, AShortageAtAnyAllocationLosesAndDoublesNoRow) {
    const Order& order = kOrders[0];
    const TopList::RankedList list = Describe(order);
    // Levels in runs of five, names ascending where the re-sort wants them descending in every other run.
    std::vector<Row> rows;
    for (int run = 0; run < 6; ++run) {
        for (int i = 0; i < 5; ++i) {
            const int rank = run % 2 == 0 ? 4 - i : i;
            rows.push_back({std::u16string(25, static_cast<char16_t>(u'a' + run)) + static_cast<char16_t>(u'0' + rank),
                            100 - run, i});
        }
    }
    std::multiset<std::u16string> names;
    for (const Row& row : rows) names.insert(std::get<std::u16string>(row[0]));
    const std::string sorted = Text(Rewritten(rows, order));
    std::uint64_t k = 1;
    for (;; ++k) {
        ASSERT_TRUE(store.Seed(kSpace, kRecord, 150, {VT_WIDESTR, VT_INT, VT_INT}, rows));
        if (!FailingAt(k, [&] { TopList::Resort(&kernel, list); })) break;
        std::multiset<std::u16string> now;
        const auto snapshot = store.Snapshot(kSpace, kRecord);
        for (const Row& row : snapshot->rows) now.insert(std::get<std::u16string>(row[0]));
        ASSERT_EQ(now, names) << "allocation " << k << ": " << Rows(store);
        ASSERT_TRUE(
            std::is_sorted(snapshot->rows.begin(), snapshot->rows.end(),
                           [](const Row& a, const Row& b) { return std::get<int>(a[1]) > std::get<int>(b[1]); }))
            << "allocation " << k << ": no longer ranked by its key: " << Rows(store);
        ASSERT_EQ(store.PropertyInt(store.SpaceIndex(kSpace), "SmallRecPubLock"), 0) << "allocation " << k;
        TopList::Resort(&kernel, list);
        ASSERT_EQ(Rows(store), sorted) << "allocation " << k << ", run again";
    }
    EXPECT_GT(k, 3u) << "the rewrite allocates nothing: the injection proves nothing";
    EXPECT_EQ(Rows(store), sorted);
    store.Diagnostics().Clear();  // refusals caused by the host's own failed allocations
}

}  // namespace
