#pragma once
// Placing one player's row at his place in a ranked list. The list is ranked
// (its key column never increases from one row to the next) whenever its lock
// is held: every rewrite keeps it so, and a lock taken over from a stopped
// holder is repaired before anything else (LockedList). So a place is found by
// halving the rows rather than by reading each one.
#include "../module/ObjectId.h"
#include "LockedList.h"

class IKernel;

namespace TopList {

// How many rows of a ranked list hold an int cell >= key in keyColumn, leaving
// row `skip` out (-1: none): the place of a row with that key, below every row
// of an equal or greater key. The caller knows the answer lies in [lo, hi]
// (counted without `skip`); about log2(hi - lo + 1) cells are read.
int CountAtLeast(PubRecordHandle& handle, int keyColumn, int key, int lo, int hi, int skip);

// Enters the player with his current values at his place, under the lock;
// nothing when the record is missing. The caller has made sure that he exists
// (a player who is gone reads as nobody, with an empty name).
//
// His name and ranking value are read first; his other values only when a row
// is to be written. A listed player moves below every other row of an equal or
// greater key (or is rewritten where he stands when that is his place); where
// the list says so, one whose key is unchanged is left as he is. An unlisted
// player enters a full list only when his key is strictly greater than the last
// row's, which then leaves. Everything is read before the list is touched, so a
// shortage there leaves the list as it was. Where there is room the new row goes
// in before the old one is dropped; in a full list the old row leaves first, and
// should the new one then fail to go in, it is written cell by cell (no memory
// needed in the library), so a passing shortage costs nobody his place.
void EnterPlayer(IKernel* kernel, const ObjectId& player, const RankedList& list);

}  // namespace TopList
