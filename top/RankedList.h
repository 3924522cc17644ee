#pragma once
// What tells one ranked list (players, charm, win streak) from another: where it
// lives, its columns, the player values a row copies, how it is ranked and
// re-sorted, and how it answers a request. The shared steps (LockedList,
// RankedPlacement, RankedResort, RankedReply) read everything they need from
// here, so a leaderboard's own file keeps only its own rules.
#include <span>

#include "PlayerFields.h"

namespace TopList {

// Every ranked list holds at most this many rows.
inline constexpr int kMaxRows = 150;

// One field of the re-sort order, in rank order: an Int column, or a WideString
// column compared by unsigned 16-bit units, a prefix before a longer text.
struct ResortKey {
    int column;
    bool descending;  // greatest first
};

// Which of two rows with equal re-sort keys survives the re-sort.
enum class EqualKeysKeep { NearerTop, NearerEnd };

// The requester's own entry at the head of a reply.
enum class OwnEntry {
    StoredRow,      // rank and stored row when listed, else 0 and his values read by unlistedFields
    CurrentValues,  // rank only within the reply's rows (else 0), then always his values read by rowFields
};

struct RankedList {
    const char16_t* pubSpace;
    const char* record;
    std::span<const int> columnTypes;        // one per column
    std::span<const PlayerField> rowFields;  // a row's cells, read from the player, in column order
    int keyColumn;                           // the Int column ranked greatest first
    int maxRows;
    // A row with no name and every cell at its default is a place a resize
    // filled (the player list's), not a half-written row: a repair keeps it.
    bool fillerRows;
    bool unchangedKeyWritesNothing;  // a listed player whose key is unchanged is left as he is
    std::span<const ResortKey> resortOrder;
    EqualKeysKeep resortKeeps;
    int resortRows;  // rows the re-sort writes back at most
    int queryMessage;
    int replyMessage;
    int replyRows;  // listed rows a reply carries at most
    OwnEntry ownEntry;
    std::span<const PlayerField> unlistedFields;
    const char* heartBeat;  // the hourly re-sort's name, or null
};

}  // namespace TopList
