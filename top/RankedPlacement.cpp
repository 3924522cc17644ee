#include "RankedPlacement.h"

#include <new>

#include "../Utility/CVarList.h"
#include "../Utility/RetryOnShortage.h"
#include "../module/ValueType.h"
#include "../module/IKernel.h"
#include "../record/RecordImage.h"

namespace TopList {

int CountAtLeast(PubRecordHandle& handle, int keyColumn, int key, int lo, int hi, int skip) {
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        const int row = skip >= 0 && mid >= skip ? mid + 1 : mid;
        if (handle.CellInt(row, keyColumn) >= key) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

namespace {

// What a placement does to the list.
struct Placement {
    enum class Step { Nothing, Rewrite, Insert, Move, Replace } step = Step::Nothing;
    int place = -1;    // the row's index once placed (in the list without the leaving row)
    int leaving = -1;  // the listed player's old row, or the last row of a full list
    int rows = 0;      // rows before the placement
};

Placement FindPlace(const LockedList& locked, const char16_t* name, int key) {
    PubRecordHandle& handle = locked.Handle();
    const RankedList& list = locked.List();
    const int keyColumn = list.keyColumn;
    Placement p;
    p.rows = handle.Rows();
    if (p.rows < 0) return p;
    const int listed = handle.FindRowByName(name);
    if (listed < 0) {
        if (p.rows < list.maxRows) {
            p.step = Placement::Step::Insert;
            p.place = CountAtLeast(handle, keyColumn, key, 0, p.rows, -1);
            return p;
        }
        const int last = list.maxRows - 1;
        if (key <= handle.CellInt(last, keyColumn)) return p;
        // The last row's key is below his: it does not count, and his place is above it.
        p.step = Placement::Step::Replace;
        p.leaving = last;
        p.place = CountAtLeast(handle, keyColumn, key, 0, last, -1);
        return p;
    }

    // His place among the other rows. Rows above his old one hold keys >= his
    // old key, rows below it keys <= it: knowing it halves the search.
    int lo = 0;
    int hi = p.rows - 1;
    if (list.unchangedKeyWritesNothing) {
        const int oldKey = handle.CellInt(listed, keyColumn);
        if (oldKey == key) return p;
        if (key > oldKey) {
            hi = listed;
        } else {
            lo = listed;
        }
    }
    p.leaving = listed;
    p.place = CountAtLeast(handle, keyColumn, key, lo, hi, listed);
    if (p.place == listed) {
        p.step = Placement::Step::Rewrite;
    } else {
        p.step = p.rows < list.maxRows ? Placement::Step::Move : Placement::Step::Replace;
    }
    return p;
}

// Takes row `leaving` out of a list of `rows` rows and adds `row` at `at` (an
// index of the list without it). Should the add fail, by a shortage or a refusal, the row goes in cell by
// cell from `image`, each step tried twice, and a shortage is passed on.
int Replace(PubRecordHandle& handle, int rows, int leaving, int at, const IVarList& row, const RecordImage& image) {
    const int rowsWithout = rows - 1;
    if (!handle.RemoveRow(leaving)) return -1;
    bool shortage = false;
    int placed = -1;
    try {
        placed = handle.AddRow(at, row);
    } catch (const std::bad_alloc&) {
        shortage = true;
    }
    if (placed < 0 && handle.Rows() == rowsWithout) {
        placed = image.InsertRow(handle, 0, at, rowsWithout, shortage) ? at : -1;
    }
    if (shortage) throw std::bad_alloc();
    return placed;
}

int Write(const LockedList& locked, const Placement& p, const IVarList& row, const RecordImage& image) {
    PubRecordHandle& handle = locked.Handle();
    switch (p.step) {
        case Placement::Step::Nothing: return -1;
        case Placement::Step::Rewrite: return handle.SetRow(p.place, row) ? p.place : -1;
        case Placement::Step::Insert: return handle.AddRow(p.place, row);
        case Placement::Step::Move: {
            // Insert first, then drop the old row: if the insert fails the list is as it was.
            const bool up = p.place < p.leaving;
            if (handle.AddRow(up ? p.place : p.place + 1, row) < 0) return -1;
            bool shortage = false;
            RetryOnShortage([&] { handle.RemoveRow(up ? p.leaving + 1 : p.leaving); }, shortage);
            return p.place;
        }
        case Placement::Step::Replace: return Replace(handle, p.rows, p.leaving, p.place, row, image);
    }
    return -1;
}

}  // namespace

void EnterPlayer(IKernel* kernel, const ObjectId& player, const RankedList& list) {
    PubRecordHandle handle(kernel, list.pubSpace, list.record);
    const auto keyField = static_cast<std::size_t>(list.keyColumn);
    CVarList probe;  // his name and ranking value
    PushPlayerValues(kernel, player, list.rowFields.first(1), probe);
    PushPlayerValues(kernel, player, list.rowFields.subspan(keyField, 1), probe);
    const char16_t* name = probe.WideStringAt(0);
    const int key = probe.IntAt(1);

    // Whether the record exists is asked under the lock (FindPlace reads its
    // rows): one call fewer, and one round trip fewer on a remote store.
    const LockedList locked(handle, list);
    const Placement p = FindPlace(locked, name, key);
    if (p.step == Placement::Step::Nothing) return;
    CVarList row;
    PushPlayerRow(kernel, player, list.rowFields, name, list.keyColumn, key, row);
    // A copy a full list can write cell by cell, without memory, once the old row is out.
    RecordImage image;
    if (p.step == Placement::Step::Replace) {
        image.SetLayout(list.columnTypes);
        image.AddRow(row);
    }
    Write(locked, p, row, image);
}

}  // namespace TopList
