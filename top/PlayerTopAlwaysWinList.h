#pragma once
// The win-streak list: players by their run of wins, in public data
// Pub_TopAlwaysWin.
#include "RankedList.h"
#include "../module/ValueType.h"

namespace TopList::WinStreakTop {

inline constexpr const char16_t* kPubSpace = u"Pub_TopAlwaysWin";
inline constexpr const char* kRecord = "PlayerTopAlwaysWinRec";
inline constexpr int kColumns = 5;
inline constexpr int kColName = 0;
inline constexpr int kColLevel = 1;
inline constexpr int kColStreak = 4;

inline constexpr const char* kStreakProperty = "CompeteAlwaysWin";
inline constexpr int kColumnTypes[kColumns] = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT};

// The player's row as it is stored: Name, Level, ProfType, Camp, streak.
inline constexpr PlayerField kRowFields[kColumns] = {
    {"Name", VT_WIDESTR}, {"Level", VT_INT}, {"ProfType", VT_INT}, {"Camp", VT_INT}, {kStreakProperty, VT_INT},
};

// Streak and level greatest first, then the name ascending; of two equal rows the
// one nearer the top stays.
inline constexpr ResortKey kResortOrder[] = {{kColStreak, true}, {kColLevel, true}, {kColName, false}};

// A listed player is rewritten with his current values even when the recorded
// streak was higher; an unlisted one enters a full list only above the last row's.
inline constexpr RankedList kList{
    .pubSpace = kPubSpace,
    .record = kRecord,
    .columnTypes = kColumnTypes,
    .rowFields = kRowFields,
    .keyColumn = kColStreak,
    .maxRows = kMaxRows,
    .fillerRows = false,
    .unchangedKeyWritesNothing = false,
    .resortOrder = kResortOrder,
    .resortKeeps = EqualKeysKeep::NearerTop,
    .resortRows = kMaxRows,
    .queryMessage = 150516,
    .replyMessage = 101162,
    .replyRows = kMaxRows,
    .ownEntry = OwnEntry::StoredRow,
    .unlistedFields = kRowFields,
    .heartBeat = nullptr,
};

}  // namespace TopList::WinStreakTop
