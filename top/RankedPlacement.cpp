#include "RankedPlacement.h"

#include <new>

#include "../Utility/CVarList.h"
#include "../Utility/ValueType.h"
#include "../module/IKernel.h"
#include "../module/RecordImage.h"

namespace TopList {

int PositionBelowEqual(PubRecordHandle& handle, int keyColumn, int key) {
    for (int row = handle.Rows() - 1; row >= 0; --row) {
        if (handle.CellInt(row, keyColumn) >= key) return row + 1;
    }
    return 0;
}

namespace {

// Takes row `leaving` out of a full list and adds `row` at `at` (an index of the
// list without it). The leaving row is read first; when the new row cannot be
// written it goes back to its place, cell by cell (no memory needed in the
// library), so a shortage or a refusal costs nobody his place.
int ReplaceInFullList(PubRecordHandle& handle, int leaving, int at, const IVarList& row) {
    RecordImage kept;
    kept.Take(handle, leaving, 1);
    if (kept.Rows() != 1) return -1;
    const int rowsWithout = handle.Rows() - 1;
    if (!handle.RemoveRow(leaving)) return -1;
    int placed = -1;
    try {
        placed = handle.AddRow(at, row);
    } catch (const std::bad_alloc&) {
        bool shortage = true;
        if (handle.Rows() == rowsWithout) kept.InsertRow(handle, 0, leaving, rowsWithout, shortage);
        throw;
    }
    if (placed < 0 && handle.Rows() == rowsWithout) {
        bool shortage = false;
        kept.InsertRow(handle, 0, leaving, rowsWithout, shortage);
        if (shortage) throw std::bad_alloc();
    }
    return placed;
}

}  // namespace

int PlaceRow(const LockedList& locked, const IVarList& row) {
    PubRecordHandle& handle = locked.Handle();
    const int keyColumn = locked.List().keyColumn;
    const int capacity = locked.List().maxRows;
    if (keyColumn < 0 || row.Size() <= static_cast<std::size_t>(keyColumn) || row.TypeAt(0) != VT_WIDESTR) return -1;
    const int key = row.IntAt(static_cast<std::size_t>(keyColumn));
    const int rows = handle.Rows();

    const int listed = handle.FindRowByName(row.WideStringAt(0));
    if (listed < 0) {
        if (rows < capacity) return handle.AddRow(PositionBelowEqual(handle, keyColumn, key), row);
        const int last = capacity - 1;
        if (key <= handle.CellInt(last, keyColumn)) return -1;
        // The last row's key is below his, so his place is the same with or without it.
        return ReplaceInFullList(handle, last, PositionBelowEqual(handle, keyColumn, key), row);
    }

    // His place in the list without his old row: below the last other row whose key is >= his.
    int place = 0;
    for (int r = rows - 1; r >= 0; --r) {
        if (r != listed && handle.CellInt(r, keyColumn) >= key) {
            place = r > listed ? r : r + 1;
            break;
        }
    }
    if (place == listed) return handle.SetRow(listed, row) ? listed : -1;
    if (rows < capacity) {
        // Insert first, then drop the old row: if the insert fails the list is as it was.
        const int insertAt = place < listed ? place : place + 1;
        if (handle.AddRow(insertAt, row) < 0) return -1;
        handle.RemoveRow(place < listed ? listed + 1 : listed);
        return place;
    }
    // A full list has no room for a second copy: the old row leaves first.
    return ReplaceInFullList(handle, listed, place, row);
}

void EnterPlayer(IKernel* kernel, const ObjectId& player, const RankedList& list) {
    PubRecordHandle handle(kernel, list.pubSpace, list.record);
    if (!handle.Exists()) return;
    CVarList row;
    PushPlayerValues(kernel, player, list.rowFields, row);

    const LockedList locked(handle, list);
    if (list.unchangedKeyWritesNothing) {
        const int listed = handle.FindRowByName(row.WideStringAt(0));
        const std::size_t key = static_cast<std::size_t>(list.keyColumn);
        if (listed >= 0 && handle.CellInt(listed, list.keyColumn) == row.IntAt(key)) return;
    }
    PlaceRow(locked, row);
}

}  // namespace TopList
