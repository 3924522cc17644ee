#pragma once
// The charm list: players by charm, in public data Pub_CharmTopInfo.
#include <limits>

#include "RankedList.h"
#include "../module/ValueType.h"

namespace TopList::CharmTop {

inline constexpr const char16_t* kPubSpace = u"Pub_CharmTopInfo";
inline constexpr const char* kRecord = "CharmTopRec";
inline constexpr int kColumns = 9;
inline constexpr int kColName = 0;
inline constexpr int kColLevel = 1;
inline constexpr int kColCastle = 4;
inline constexpr int kColGuild = 6;
inline constexpr int kColCharm = 7;
inline constexpr int kColGift = 8;

inline constexpr int kColumnTypes[kColumns] = {VT_WIDESTR, VT_INT,     VT_INT, VT_INT, VT_STRING,
                                               VT_INT,     VT_WIDESTR, VT_INT, VT_INT};

// The player properties behind the record's columns, in column order.
inline constexpr PlayerField kRowFields[kColumns] = {
    {"Name", VT_WIDESTR},      {"Level", VT_INT},           {"ProfType", VT_INT},
    {"Camp", VT_INT},          {"CastleNameID", VT_STRING}, {"Nation", VT_INT},
    {"GuildName", VT_WIDESTR}, {"Charm", VT_INT},           {"GiftNum", VT_INT},
};

// Charm, gifts and level greatest first, then the name ascending; of two equal
// rows the one nearer the end stays.
inline constexpr ResortKey kResortOrder[] = {{kColCharm, true}, {kColGift, true}, {kColLevel, true}, {kColName, false}};

// A player is placed by charm; one whose charm did not change is left exactly as
// he is. A full list loses its last row and everyone from the newcomer's place
// down moves one lower, so no player is thrown out while a lower-ranked one stays.
inline constexpr RankedList kList{
    .pubSpace = kPubSpace,
    .record = kRecord,
    .columnTypes = kColumnTypes,
    .rowFields = kRowFields,
    .keyColumn = kColCharm,
    .maxRows = kMaxRows,
    .fillerRows = false,
    .unchangedKeyWritesNothing = true,
    .resortOrder = kResortOrder,
    .resortKeeps = EqualKeysKeep::NearerEnd,
    .resortRows = std::numeric_limits<int>::max(),  // all it read: the record's maximum bounds it
    .queryMessage = 140912,
    .replyMessage = 100722,
    .replyRows = 100,
    .ownEntry = OwnEntry::CurrentValues,
    .unlistedFields = kRowFields,
    .heartBeat = "NewCharmTopSystem::H_TopListUpdate",
};

}  // namespace TopList::CharmTop
