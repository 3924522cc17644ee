#pragma once
// Reading and seeding the charm list straight in the public data store.
#include <string>
#include <utility>
#include <vector>

#include "host/PubDataStore.h"

namespace charm {

inline constexpr char16_t kSpace[] = u"Pub_CharmTopInfo";
inline constexpr char kRecord[] = "CharmTopRec";
inline constexpr char kLock[] = "CharmTopRecPubLock";
inline constexpr char kResort[] = "NewCharmTopSystem::H_TopListUpdate";

// One row; columns: Name, Level, ProfType, Camp, CastleNameID, Nation, GuildName, Charm, GiftNum.
struct Row {
    Row() = default;
    Row(std::u16string name_, int charm_, int gift_ = 0, int level_ = 0, std::u16string guild_ = {},
        std::string castle_ = {}, int prof_ = 0, int camp_ = 0, int nation_ = 0)
        : name(std::move(name_)), charm(charm_), gift(gift_), level(level_), guild(std::move(guild_)),
          castle(std::move(castle_)), prof(prof_), camp(camp_), nation(nation_) {}

    std::u16string name;
    int charm = 0;
    int gift = 0;
    int level = 0;
    std::u16string guild;
    std::string castle;
    int prof = 0;
    int camp = 0;
    int nation = 0;

    friend bool operator==(const Row&, const Row&) = default;
};

inline const std::vector<int> kColumnTypes = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_STRING,
                                               VT_INT,     VT_WIDESTR, VT_INT, VT_INT};

inline std::vector<HostValue> Cells(const Row& r) {
    return {r.name, r.level, r.prof, r.camp, r.castle, r.nation, r.guild, r.charm, r.gift};
}

inline Row FromCells(const std::vector<HostValue>& cells) {
    Row r;
    r.name = std::get<std::u16string>(cells.at(0));
    r.level = std::get<int>(cells.at(1));
    r.prof = std::get<int>(cells.at(2));
    r.camp = std::get<int>(cells.at(3));
    r.castle = std::get<std::string>(cells.at(4));
    r.nation = std::get<int>(cells.at(5));
    r.guild = std::get<std::u16string>(cells.at(6));
    r.charm = std::get<int>(cells.at(7));
    r.gift = std::get<int>(cells.at(8));
    return r;
}

inline bool Seed(PubDataStore& store, const std::vector<Row>& rows, int maxRows = 150) {
    std::vector<std::vector<HostValue>> cells;
    for (const Row& r : rows) cells.push_back(Cells(r));
    return store.Seed(kSpace, kRecord, maxRows, kColumnTypes, cells);
}

inline std::vector<Row> Rows(const PubDataStore& store) {
    std::vector<Row> rows;
    const auto snap = store.Snapshot(kSpace, kRecord);
    if (!snap) return rows;
    for (const auto& cells : snap->rows) rows.push_back(FromCells(cells));
    return rows;
}

inline std::vector<std::u16string> Names(const PubDataStore& store) {
    std::vector<std::u16string> names;
    for (const Row& r : Rows(store)) names.push_back(r.name);
    return names;
}

inline int LockValue(PubDataStore& store) { return store.PropertyInt(store.SpaceIndex(kSpace), kLock); }

// Rows named "r000", "r001", ... with the given charms, in that order.
inline std::vector<Row> Numbered(const std::vector<int>& charms) {
    std::vector<Row> rows;
    for (std::size_t i = 0; i < charms.size(); ++i) {
        rows.push_back({{u'r', char16_t(u'0' + i / 100), char16_t(u'0' + i / 10 % 10), char16_t(u'0' + i % 10)},
                        charms[i]});
    }
    return rows;
}

}  // namespace charm
