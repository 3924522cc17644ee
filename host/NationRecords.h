#pragma once
// The two nation records that the rest of a game server keeps and the nation
// resource report reads:
//   L"NationResource" / "NationResourceRec": row n = nation n, five Int resource values.
//   L"NationInfo" / "KingInfo": one row per crowned king: nation name (WideString),
//     king name (WideString), day crowned (Int), nation index (Int).
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "PubDataStore.h"

namespace NationRecords {

inline constexpr const char16_t* kResourceSpace = u"NationResource";
inline constexpr const char* kResourceRecord = "NationResourceRec";
inline constexpr const char16_t* kKingSpace = u"NationInfo";
inline constexpr const char* kKingRecord = "KingInfo";

inline constexpr int kNationCount = 5;
inline constexpr int kResourceKinds = 5;
inline constexpr int kKingNationNameColumn = 0;
inline constexpr int kKingNameColumn = 1;
inline constexpr int kKingDayColumn = 2;
inline constexpr int kKingNationColumn = 3;

using ResourceRow = std::array<int, kResourceKinds>;

struct King {
    int nation = 0;
    std::u16string name;
    int crownedDay = 0;
};

// The nations' conventional names, for the king rows and reports; empty past the five.
std::u16string_view NationName(int nation);

// (Re)creates "NationResourceRec" with these rows (normally five, one per nation).
bool SeedResources(PubDataStore& store, const std::vector<ResourceRow>& rows);
// (Re)creates "KingInfo" with one row per king, in this order.
bool SeedKings(PubDataStore& store, const std::vector<King>& kings);
// Both records as a fresh world has them: five nations without resources or kings.
bool SeedEmpty(PubDataStore& store);

// Adds amount to one resource value of a nation; false when the cell does not exist.
bool AddResource(PubDataStore& store, int nation, int kind, int amount);
// The nation's king becomes name: its row is rewritten, or appended when it has none.
bool CrownKing(PubDataStore& store, int nation, std::u16string_view name, int crownedDay);

}  // namespace NationRecords
