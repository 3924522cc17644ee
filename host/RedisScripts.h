#pragma once
// The Lua scripts behind the Redis store: one per store operation, so that each
// operation is one atomic step for every process sharing the store (Redis runs
// a script to its end before it serves anything else) and one round trip.
//
// Every script takes ARGV[1] = the world prefix, ARGV[2] = the caller's client
// id, ARGV[3] = the caller's sequence number of this write (both empty for
// reads), ARGV[4] = the server it calls for (0: none; list locks are fenced by
// it), then its own arguments from ARGV[5] on. Most scripts compute their keys
// from the prefix; TakeList and ApplyList are handed theirs as KEYS.
//
// Keys under {PREFIX} (the braces make every key of a world hash to one slot
// of a Redis Cluster; ARGV[1] is "{PREFIX}"):
//   spaces            hash: space name (UTF-16LE) -> index
//   spacelist         list: space names by index (indices are list positions)
//   s:I:p:NAME        hash of a property: t (type), v (value), s (save); a list lock also
//                     h (holder), g (generation), since (held since, Unix ms; while held),
//                     x:S (server S fenced off)
//   ver               the last version given to a record
//   s:I:recs          set of the space's record names
//   s:I:rm:REC        hash of a record: types (one byte per column), max, save, next (row id
//                     counter), ver (changed by every write)
//   s:I:rr:REC        list of rows: an 8-byte row id, then per column a 4-byte length and the cell's bytes
//   reply:CID         client CID's last write's sequence number and reply; expires an hour
//                     after that write, so a process gone leaves nothing behind for long
//   epoch             the world's epoch (RedisConnection.h): tells a restart without the data
//
// Writes remember their reply per client, so a write sent again after a lost
// connection (applied, but its reply lost) is answered from memory instead of
// being applied twice.
//
// Script results: {1, value...} done; {0, why, space name} refused (the caller
// files it); {2, value} not done and nothing to report (a probe, a name that
// exists, a failed compare-and-set).
#include <cstddef>

enum class RedisScript : unsigned char {
    AddSpace,
    AddProperty,
    SetPropertySave,
    SetPropertyInt,
    CompareSet,
    AddRecord,
    RemoveRecord,
    SetRecordSave,
    SetColType,
    InsertRow,
    AddRowValues,
    SetRowValues,
    RemoveRow,
    ClearRecord,
    SetCell,
    Seed,
    TakeList,
    ApplyList,
    // reads
    FindWideStr,
    QueryCell,
    ColType,
    Shape,
    Snapshot,
    Records,
    kCount
};

// The script's full source (the shared helpers and its own body).
const char* RedisScriptSource(RedisScript script);
const char* RedisScriptName(RedisScript script);
bool RedisScriptWrites(RedisScript script) noexcept;
