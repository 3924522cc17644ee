#pragma once
// Seeding and reading "PlayerToplistRec", players with every property the list
// and its reply read, and running code through a failed allocation.
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "host/PubDataStore.h"
#include "support/AllocationControl.h"

namespace PlayerList {

inline constexpr const char16_t* kSpace = u"Pub_PlayerTopInfo";
inline constexpr const char* kRecord = "PlayerToplistRec";
inline constexpr const char* kLock = "PlayerToplistRecPubLock";
inline const std::vector<int> kColumnTypes = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_WIDESTR, VT_INT,
                                              VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT};

using Row = std::vector<HostValue>;
inline const Row kEmptyRow = {std::u16string(), 0, 0, 0, std::u16string(), 0, std::u16string(), 0, 0, 0, 0};

inline Row MakeRow(const std::u16string& name, int level, int camp = 0) {
    return {name, level, 1, 2, std::u16string(u"guild"), 3, std::u16string(u"castle"), 4, camp, 5, 6};
}

inline bool Seed(PubDataStore& store, const std::vector<Row>& rows, int maxRows = 150) {
    return store.Seed(kSpace, kRecord, maxRows, kColumnTypes, rows);
}

inline std::vector<Row> Rows(const PubDataStore& store) {
    auto snapshot = store.Snapshot(kSpace, kRecord);
    return snapshot ? snapshot->rows : std::vector<Row>{};
}

inline std::vector<std::u16string> Names(const PubDataStore& store) {
    std::vector<std::u16string> names;
    for (const Row& row : Rows(store)) names.push_back(std::get<std::u16string>(row.at(0)));
    return names;
}

inline int LockValue(PubDataStore& store) { return store.PropertyInt(store.SpaceIndex(kSpace), kLock); }

inline std::vector<std::pair<std::string, HostValue>> Properties(int level, int gutOver = 1) {
    return {{"Level", level},
            {"Nation", 7},
            {"ProfType", 8},
            {"GuildName", std::u16string(u"Lions")},
            {"GuildPoint", 9},
            {"GuildContribut", 99},
            {"CastleName", std::u16string(u"Keep")},
            {"CastlePoint", 10},
            {"Camp", 0},
            {"PeerageRank", 11},
            {"PeerageExp", 12},
            {"GutOver", gutOver}};
}

}  // namespace PlayerList
