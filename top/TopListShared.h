#pragma once
// What the leaderboard modules have in common: admission by "GutOver", reading a
// player's values into a list, placing a pre-read row at its ranked place,
// building list replies, the missing-sibling report of Init, and the unique-key
// re-sort. Each module's own ordering rules stay in its own file.
#include <algorithm>
#include <new>
#include <span>
#include <vector>

#include "../Utility/IVarList.h"
#include "../Utility/ObjectId.h"
#include "../module/IKernel.h"
#include "../module/PubRecordHandle.h"

namespace TopList {

// Every leaderboard holds at most this many rows.
inline constexpr int kMaxRows = 150;

// A player takes part in the player and charm lists once "GutOver" is 1 or more.
bool IsAdmitted(IKernel* kernel, const ObjectId& player);

// The player exists and is admitted: the common first check of the value handlers.
bool IsActiveParticipant(IKernel* kernel, const ObjectId& player);

// Init's report when a sibling is missing: "Not exist <sibling> module!" and the
// location line (e.g. ".\\PlayerTopSystem (18)"), both to WriteTrace, then both
// to WriteLog.
void WriteMissingSiblingReport(IKernel* kernel, const char* siblingName, const char* location);

// One player property copied into a list: its name and the type it is read as
// (VT_INT with QueryInt, VT_STRING with QueryString, VT_WIDESTR with QueryWideStr).
struct PlayerField {
    const char* property;
    int type;
};

// Appends the player's current values, one per field, in field order. Missing
// properties read as the kernel's neutral values (0, empty text).
void PushPlayerValues(IKernel* kernel, const ObjectId& player, std::span<const PlayerField> fields, IVarList& out);

// The row below the last row whose int cell in keyColumn is >= key: scanning up
// from the last row; 0 when no row qualifies or the list is empty. Among equal
// keys a newcomer ranks after the earlier entries.
int PositionBelowEqual(PubRecordHandle& handle, int keyColumn, int key);

// Places a row whose values were read beforehand (name at 0, the int ranking key
// at keyColumn) into a list ranked by that key, greatest first, below every other
// row of an equal or greater key. The caller holds the lock. A listed player's
// row moves (or is rewritten in place when its place is unchanged); an unlisted
// player enters a full list only when his key is strictly greater than the last
// row's, which then leaves. Returns the new row index, or -1 when he is not
// listed afterwards. Where there is room the new row goes in before the old one
// is dropped; in a full list the leaving row is kept aside and put back when the
// new one cannot be written. Either way a failed insert leaves the list as it was.
int PlaceRankedRow(PubRecordHandle& handle, const IVarList& row, int keyColumn, int capacity = kMaxRows);

// Writes count values of a list, starting at first, into the cells of an
// existing row by their types. Costs a kernel call per cell but allocates nothing
// in the library: used where a record has already been emptied and must be
// refilled even when memory is short.
void WriteRowCells(PubRecordHandle& handle, int row, const IVarList& values, std::size_t first, std::size_t count);
// Appends a default row and writes the values into it as WriteRowCells does.
void AppendRowCells(PubRecordHandle& handle, const IVarList& values, std::size_t first, std::size_t count);

// Inserts a row at `at` and writes the values into it as WriteRowCells does, in
// a record that holds rowsWithout rows without it; a row already inserted there
// by an earlier try is only rewritten. Tried once more on a shortage (noted in
// shortage); a row left half written by a second failure is taken out again
// before the failure goes on. Returns whether the row is in.
bool InsertRowCellsRetrying(PubRecordHandle& handle, int at, int rowsWithout, const IVarList& values, bool& shortage);

// Refills an emptied record with count rows prepared beforehand, rowAt(i) giving
// the i-th as an IVarList, in order. Rows go in whole while memory allows; after
// a failed allocation the rest are written cell by cell, each tried twice, so a
// passing shortage loses no row; the shortage is then passed on.
template <class RowAt>
void RefillRows(PubRecordHandle& handle, std::size_t count, RowAt rowAt) {
    std::size_t next = 0;
    int rowsBefore = 0;
    try {
        for (; next < count; ++next) {
            rowsBefore = handle.Rows();
            handle.AddRow(-1, rowAt(next));
        }
    } catch (const std::bad_alloc&) {
        bool shortage = true;
        // The failed append left the record as it was: it goes in again at rowsBefore.
        for (; next < count; ++next) {
            InsertRowCellsRetrying(handle, rowsBefore, rowsBefore, rowAt(next), shortage);
            rowsBefore = handle.Rows();
        }
        throw;
    }
}

// Runs an idempotent step; when it fails for want of memory, notes the shortage
// and runs it once more, so a passing shortage cannot leave a rewrite half done.
template <class Step>
void RetryOnShortage(Step step, bool& shortage) {
    try {
        step();
    } catch (const std::bad_alloc&) {
        shortage = true;
        step();
    }
}

// Appends, for each row i from 0 while i < min(Rows, maxRows): i + 1, then the
// row's cells by column type.
void PushRankedRows(PubRecordHandle& handle, int maxRows, IVarList& out);

// Appends the requester's own part of a reply: when his name is listed at row r,
// r + 1 and the stored row; otherwise 0 and his current values read by
// unlistedFields. Returns r, or -1 when unlisted.
int PushOwnEntry(PubRecordHandle& handle, IKernel* kernel, const ObjectId& player, const char16_t* name,
                 std::span<const PlayerField> unlistedFields, IVarList& out);

// Orders entries greatest first by `less` and keeps, of entries with equal keys,
// only the one that was added first (as inserting into an ordered map with unique
// keys would). A sorted vector: one allocation for the whole list, no tree nodes.
template <class Entry, class Less>
void SortUniqueGreatestFirst(std::vector<Entry>& entries, Less less) {
    std::stable_sort(entries.begin(), entries.end(), less);
    const auto equalKeys = [&less](const Entry& a, const Entry& b) { return !less(a, b) && !less(b, a); };
    entries.erase(std::unique(entries.begin(), entries.end(), equalKeys), entries.end());
    std::reverse(entries.begin(), entries.end());
}

}  // namespace TopList
