#pragma once
// Placing one player's row at his place in a ranked list.
#include "../Utility/IVarList.h"
#include "../Utility/ObjectId.h"
#include "LockedList.h"

class IKernel;

namespace TopList {

// The row below the last row whose int cell in keyColumn is >= key, scanning up
// from the last row; 0 when no row qualifies or the list is empty. Among equal
// keys a newcomer ranks after the earlier entries.
int PositionBelowEqual(PubRecordHandle& handle, int keyColumn, int key);

// Places a row read beforehand (name at 0, the ranking key at the list's key
// column) below every other row of an equal or greater key. A listed player's
// row moves (or is rewritten in place when its place is unchanged); an unlisted
// player enters a full list only when his key is strictly greater than the last
// row's, which then leaves. Returns the new row index, or -1 when he is not
// listed afterwards. Where there is room the new row goes in before the old one
// is dropped; in a full list the leaving row is kept aside and put back when the
// new one cannot be written. Either way a failed insert leaves the list as it was.
int PlaceRow(const LockedList& locked, const IVarList& row);

// Enters the player with his current values at his place, under the lock;
// nothing when the record is missing. The caller has made sure that he exists
// (a player who is gone reads as nobody, with an empty name). His values are
// read before the list is touched, so running short of memory there leaves the
// list as it was.
void EnterPlayer(IKernel* kernel, const ObjectId& player, const RankedList& list);

}  // namespace TopList
