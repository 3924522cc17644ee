#pragma once
// Setting a ranked list right after its lock was taken over from a server that
// stopped in the middle of a rewrite. Whatever the stopped holder left half
// done, the list afterwards holds whole rows only, one per name, in rank order,
// at most maxRows of them: what every rewrite and the reply rely on (and what a
// search on the ranking key may assume).
#include "../record/PubRecordHandle.h"
#include "RankedList.h"

namespace TopList {

// REQUIRES: the list's lock is held. What repair does, step by step:
// - the column types are set to the list's where the set-up left them unset;
// - a row without a name is a half-written one (RecordImage writes a name last;
//   a default row inserted and never filled has none) and leaves; in a list with
//   filler rows, an unnamed row of defaults only is a resize's filler and stays;
// - the rows are ordered by the ranking key, greatest first; rows of equal keys
//   keep their order;
// - of rows of one name (a move stopped between adding the new row and removing
//   the old one), the best ranked stays; of equal keys, the one the list's
//   re-sort would keep;
// - rows past maxRows leave.
// A list that is already whole is left untouched; so is a missing record or one
// of another column count (an older layout, migrated by the set-up).
// Returns whether the list was rewritten.
bool RepairLocked(PubRecordHandle& handle, const RankedList& list);

}  // namespace TopList
