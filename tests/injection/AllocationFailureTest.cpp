// Running out of memory at any point of a leaderboard rewrite must leave the
// shared list whole: each operation below is run with its k-th allocation failing,
// for every k until it completes. After each failure the three lists keep their
// rules (ListInvariants), no row of the full list is lost or doubled, every lock
// is free, and the operation then succeeds when run again. Leaks are left to
// LeakSanitizer in the sanitizer build. On Windows the failures inside the DLL
// end at its entries (ContainmentTest); the lists must be as whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "Utility/NumberText.h"
#include "Utility/WideText.h"
#include "charm/CharmList.h"
#include "player/PlayerListSupport.h"
#include "support/AllocationControl.h"
#include "support/HostFixture.h"
#include "support/TestPaths.h"
#include "host/ListInvariants.h"
#include "Utility/Platform.h"

namespace {

using ListInvariants::ListShape;
using Cells = std::vector<HostValue>;

constexpr int kFull = ListInvariants::kMaxRows;
constexpr int kMoverRow = 140;  // the moving player's seeded place, near the end
constexpr int kRaised = 300;    // his new ranking value: about a third from the top
// Long enough to leave a text's inline storage, so copying a name allocates.
const std::u16string kNamePrefix = u"player-with-a-long-enough-name-";

std::u16string NameAt(int row) { return kNamePrefix + IntToWide(row); }
int ValueAt(int row) { return 400 - 2 * row; }  // distinct, descending

struct Operation {
    const char* label;
    const ListShape* list;
    std::vector<int> columnTypes;
    Cells (*row)(const std::u16string& name, int value);
    // The logged-in player of the seeded row kMoverRow, holding value.
    std::vector<std::pair<std::string, HostValue>> (*player)(int value);
    const char* property;  // what the move changes; null for the daily prize and the restart
    bool restart = false;  // the scene start that rebuilds the charm list from its rows
};

const Operation kOperations[] = {
    {"PlayerLevelRise", &ListInvariants::kPlayerList, PlayerList::kColumnTypes,
     [](const std::u16string& name, int value) { return PlayerList::MakeRow(name, value); },
     [](int value) { return PlayerList::Properties(value); }, "Level"},
    {"CharmRise", &ListInvariants::kCharmList, charm::kColumnTypes,
     [](const std::u16string& name, int value) { return charm::Cells(charm::Row(name, value)); },
     [](int value) {
         return std::vector<std::pair<std::string, HostValue>>{{"GutOver", 1}, {"Charm", value}};
     },
     "Charm"},
    {"WinStreakRise",
     &ListInvariants::kStreakList,
     {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT},
     [](const std::u16string& name, int value) {
         return Cells{name, 1, 2, 3, value};
     },
     [](int value) {
         return std::vector<std::pair<std::string, HostValue>>{
             {"Level", 1}, {"ProfType", 2}, {"Camp", 3}, {"CompeteAlwaysWin", value}};
     },
     "CompeteAlwaysWin"},
    {"DailyPrize",
     &ListInvariants::kStreakList,
     {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT},
     [](const std::u16string& name, int value) {
         return Cells{name, 1, 2, 3, value};
     },
     nullptr,
     nullptr},
    {"CharmRestart", &ListInvariants::kCharmList, charm::kColumnTypes,
     [](const std::u16string& name, int value) { return charm::Cells(charm::Row(name, value)); }, nullptr, nullptr,
     true},
};

void PrintTo(const Operation& op, std::ostream* out) { *out << op.label; }

class AllocationFailure : public HostFixture, public ::testing::WithParamInterface<Operation> {
protected:
    // The plug-in whose own allocations fail too (on Windows its test build).
    ServerOptions Options() override {
        ServerOptions options;
        options.libraryPath = kCountedLibraryPath;
        return options;
    }
    void SetUpResources() override {
        // Prize dates are local dates: pin the zone.
        Platform::UseTimeZone("UTC");
        WriteResource("Rule\\PlayerTopAlwaysWin.ini", "[PlayerAlwaysWinInitInfo]\r\nMinAlwaysWinNum = 30\r\n");
    }

    const Operation& op() const { return GetParam(); }
    bool IsDaily() const { return op().property == nullptr && !op().restart; }
    PubDataStore& store() { return world().Store(); }

    void SeedFullList() {
        std::vector<Cells> rows;
        for (int r = 0; r < kFull; ++r) rows.push_back(op().row(NameAt(r), ValueAt(r)));
        ASSERT_TRUE(store().Seed(op().list->space, op().list->record, kFull, op().columnTypes, rows));
        seeded_.clear();
        for (int r = 0; r < kFull; ++r) seeded_.push_back(NameAt(r));
        std::sort(seeded_.begin(), seeded_.end());
    }

    // Back to the starting point: the mover at his seeded value, the list full and
    // in order, no prize given yet; a new day for the daily prize and its
    // challenger waiting with a streak.
    void Reset() {
        if (op().property != nullptr) server().SetProperty(mover_, op().property, ValueAt(kMoverRow));
        if (IsDaily()) {
            kernel().SetClock(2024, 1, 1 + day_++, 3);
            server().SetProperty(challenger_, "CompeteAlwaysWin", 5);
        }
        SeedFullList();
        ASSERT_TRUE(store().Seed(u"Pub_TopAlwaysWin", "PlayerPrizeTimeRec", 1, {VT_INT}, {}));
        server().Letters()->Clear();
    }

    void Run(int value) {
        if (op().property != nullptr) {
            server().SetProperty(mover_, op().property, value);
        } else if (op().restart) {
            kernel().RaiseEvent(Scene(2), "OnSystemInit");
        } else {
            CVarList daily;
            daily << 326 << 13;
            server().RunCommand(Scene(2), daily);
        }
    }

    std::vector<std::u16string> SortedNames() {
        std::vector<std::u16string> names;
        if (auto snapshot = store().Snapshot(op().list->space, op().list->record)) {
            for (const Cells& row : snapshot->rows) names.push_back(std::get<std::u16string>(row.at(0)));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The names missing from the list and those it gained, against the seeded
    // ones; empty when they match.
    std::string ChangedNames() {
        const std::vector<std::u16string> names = SortedNames();
        std::vector<std::u16string> lost, gained;
        std::set_difference(seeded_.begin(), seeded_.end(), names.begin(), names.end(), std::back_inserter(lost));
        std::set_difference(names.begin(), names.end(), seeded_.begin(), seeded_.end(), std::back_inserter(gained));
        std::string text;
        for (const auto& name : lost) text += " lost " + WideToString(name.c_str(), 0);
        for (const auto& name : gained) text += " gained '" + WideToString(name.c_str(), 0) + "'";
        return text;
    }

    int ListedValue(const std::u16string& name) {
        const int index = store().SpaceIndex(op().list->space);
        const int row = store().FindWideStr(index, op().list->record, 0, name);
        return row < 0 ? -1 : store().QueryInt(index, op().list->record, row, op().list->rankColumn);
    }

    ObjectId mover_;
    ObjectId challenger_;
    int day_ = 0;
    std::vector<std::u16string> seeded_;
};

TEST_P(AllocationFailure, EveryFailedAllocationLeavesTheListsWholeAndTheOperationRepeatable) {
    if (op().player != nullptr) {
        SeedFullList();
        mover_ = Player(NameAt(kMoverRow), op().player(ValueAt(kMoverRow)));
        ASSERT_FALSE(mover_.IsNull());
    }
    if (IsDaily()) challenger_ = Player(u"challenger", {{"CompeteAlwaysWin", 5}}, 3);
    std::uint64_t k = 1;
    for (;; ++k) {
        Reset();
        if (HasFatalFailure()) return;
        bool failed = false;
        {
            ScopedAllocationFailure failure(k);
            try {
                Run(kRaised);
            } catch (const std::bad_alloc&) {}
            failed = failure.Triggered();
        }
        if (!failed) break;

        ASSERT_EQ(ListInvariants::CheckAll(store()), "") << "allocation " << k;
        // A move or restart neither loses nor adds a row; the prize either cleared the list or did not start.
        const std::string changed = ChangedNames();
        const std::size_t lettersOut = server().Letters()->TotalLetters();
        const bool prizeDone = op().property == nullptr && SortedNames().empty() && lettersOut == 1;
        ASSERT_TRUE(prizeDone || (changed.empty() && lettersOut == 0)) << "allocation " << k << ":" << changed;

        Run(kRaised + 1);
        ASSERT_EQ(ListInvariants::CheckAll(store()), "") << "allocation " << k << ", run again";
        if (op().property != nullptr) {
            ASSERT_EQ(ListedValue(NameAt(kMoverRow)), kRaised + 1) << "allocation " << k;
            ASSERT_EQ(ChangedNames(), "") << "allocation " << k;
        } else if (op().restart) {
            ASSERT_EQ(ChangedNames(), "") << "allocation " << k;
        } else {
            // One prize for the day, to the leader, however far the failed run got.
            ASSERT_EQ(server().Letters()->TotalLetters(), 1u) << "allocation " << k;
            ASSERT_EQ(server().Letters()->Mailbox(NameAt(0)).size(), 1u) << "allocation " << k;
            ASSERT_TRUE(SortedNames().empty()) << "allocation " << k;
            ASSERT_EQ(kernel().QueryInt(challenger_, "CompeteAlwaysWin"), 0) << "allocation " << k;
        }
    }
    EXPECT_GT(k, 1u) << "the operation allocates nothing: the injection proves nothing";
    // The run that completed did the whole job.
    ASSERT_EQ(ListInvariants::CheckAll(store()), "");
    if (op().property != nullptr) {
        EXPECT_EQ(ListedValue(NameAt(kMoverRow)), kRaised);
    } else if (op().restart) {
        EXPECT_EQ(ChangedNames(), "");
    } else {
        EXPECT_EQ(server().Letters()->Mailbox(NameAt(0)).size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Leaderboards, AllocationFailure, ::testing::ValuesIn(kOperations),
                         [](const ::testing::TestParamInfo<Operation>& info) { return std::string(info.param.label); });

}  // namespace
