#pragma once
// Seeding and reading "PlayerToplistRec" and making players with every property
// the list copies, for the player leaderboard tests.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/PubDataStore.h"
#include "host/Server.h"

namespace PlayerList {

inline constexpr const char16_t* kSpace = u"Pub_PlayerTopInfo";
inline constexpr const char* kRecord = "PlayerToplistRec";
inline constexpr const char* kLock = "PlayerToplistRecPubLock";

inline const std::vector<int>& ColumnTypes() {
    static const std::vector<int> types = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_WIDESTR, VT_INT,
                                           VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT};
    return types;
}

using Row = std::vector<HostValue>;

// A row as the module writes it; the cells after the level are derived from it
// so a test can tell rows apart by content.
inline Row MakeRow(const std::u16string& name, int level, int camp = 0) {
    return {HostValue(name), HostValue(level), HostValue(1), HostValue(2), HostValue(u"guild"), HostValue(3),
            HostValue(u"castle"), HostValue(4), HostValue(camp), HostValue(5), HostValue(6)};
}

inline void Seed(PubDataStore& store, const std::vector<Row>& rows, int maxRows = 150) {
    ASSERT_TRUE(store.Seed(kSpace, kRecord, maxRows, ColumnTypes(), rows));
}

inline std::vector<Row> Rows(const PubDataStore& store) {
    auto snapshot = store.Snapshot(kSpace, kRecord);
    return snapshot ? snapshot->rows : std::vector<Row>{};
}

inline std::u16string NameAt(const std::vector<Row>& rows, std::size_t i) {
    return std::get<std::u16string>(rows.at(i).at(0));
}
inline int LevelAt(const std::vector<Row>& rows, std::size_t i) { return std::get<int>(rows.at(i).at(1)); }

inline std::vector<std::u16string> Names(const PubDataStore& store) {
    std::vector<std::u16string> names;
    for (const Row& row : Rows(store)) names.push_back(std::get<std::u16string>(row.at(0)));
    return names;
}

inline int LockValue(PubDataStore& store) { return store.PropertyInt(store.SpaceIndex(kSpace), kLock); }

// Every property a row or a reply reads, so no read falls on a missing property.
inline std::vector<std::pair<std::string, HostValue>> Properties(int level, int gutOver = 1, int camp = 0) {
    return {{"Level", level},          {"Nation", 7},          {"ProfType", 8},
            {"GuildName", std::u16string(u"Lions")},          {"GuildPoint", 9},
            {"GuildContribut", 99},    {"CastleName", std::u16string(u"Keep")},
            {"CastlePoint", 10},       {"Camp", camp},         {"PeerageRank", 11},
            {"PeerageExp", 12},        {"GutOver", gutOver}};
}

}  // namespace PlayerList
