#pragma once
// The player list: players by level, in public data Pub_PlayerTopInfo.
#include "RankedList.h"
#include "../module/ValueType.h"

namespace TopList::PlayerTop {

inline constexpr const char16_t* kPubSpace = u"Pub_PlayerTopInfo";
inline constexpr const char* kRecord = "PlayerToplistRec";
inline constexpr int kColumns = 11;
inline constexpr int kColName = 0;
inline constexpr int kColLevel = 1;

inline constexpr int kColumnTypes[kColumns] = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_WIDESTR, VT_INT,
                                               VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT};

// The player properties copied into a row, in column order.
inline constexpr PlayerField kRowFields[kColumns] = {
    {"Name", VT_WIDESTR},      {"Level", VT_INT},       {"Nation", VT_INT},         {"ProfType", VT_INT},
    {"GuildName", VT_WIDESTR}, {"GuildPoint", VT_INT},  {"CastleName", VT_WIDESTR}, {"CastlePoint", VT_INT},
    {"Camp", VT_INT},          {"PeerageRank", VT_INT}, {"PeerageExp", VT_INT}};

// An unlisted requester's own entry in the reply carries "GuildContribut" where
// a row holds "GuildPoint"; clients read that slot as his contribution.
inline constexpr PlayerField kUnlistedFields[kColumns] = {
    {"Name", VT_WIDESTR},      {"Level", VT_INT},          {"Nation", VT_INT},         {"ProfType", VT_INT},
    {"GuildName", VT_WIDESTR}, {"GuildContribut", VT_INT}, {"CastleName", VT_WIDESTR}, {"CastlePoint", VT_INT},
    {"Camp", VT_INT},          {"PeerageRank", VT_INT},    {"PeerageExp", VT_INT}};

// Level, then name, both greatest first; of two equal rows the one nearer the top stays.
inline constexpr ResortKey kResortOrder[] = {{kColLevel, true}, {kColName, true}};

inline constexpr RankedList kList{
    .pubSpace = kPubSpace,
    .record = kRecord,
    .columnTypes = kColumnTypes,
    .rowFields = kRowFields,
    .keyColumn = kColLevel,
    .maxRows = kMaxRows,
    .fillerRows = true,
    .unchangedKeyWritesNothing = false,
    .resortOrder = kResortOrder,
    .resortKeeps = EqualKeysKeep::NearerTop,
    .resortRows = kMaxRows,
    .queryMessage = 140911,
    .replyMessage = 100721,
    .replyRows = 100,
    .ownEntry = OwnEntry::StoredRow,
    .unlistedFields = kUnlistedFields,
    .heartBeat = "PlayerTopSystem::H_TopListUpdate",
};

}  // namespace TopList::PlayerTop
