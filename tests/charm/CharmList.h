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
    std::u16string name;
    int charm = 0, gift = 0, level = 0;
    std::u16string guild{};
    std::string castle{};
    int prof = 0, camp = 0, nation = 0;

    friend bool operator==(const Row&, const Row&) = default;
};

inline const std::vector<int> kColumnTypes = {VT_WIDESTR, VT_INT,     VT_INT, VT_INT, VT_STRING,
                                              VT_INT,     VT_WIDESTR, VT_INT, VT_INT};

// A row's cells in column order.
inline std::vector<HostValue> Cells(const Row& r) {
    return {r.name, r.level, r.prof, r.camp, r.castle, r.nation, r.guild, r.charm, r.gift};
}

inline bool Seed(PubDataStore& store, const std::vector<Row>& rows, int maxRows = 150) {
    std::vector<std::vector<HostValue>> cells;
    for (const Row& r : rows) cells.push_back(Cells(r));
    return store.Seed(kSpace, kRecord, maxRows, kColumnTypes, cells);
}

inline std::vector<Row> Rows(const PubDataStore& store) {
    std::vector<Row> rows;
    const auto snap = store.Snapshot(kSpace, kRecord);
    for (const auto& c : snap ? snap->rows : std::vector<std::vector<HostValue>>{}) {
        auto i = [&c](std::size_t at) { return std::get<int>(c.at(at)); };
        rows.emplace_back(std::get<std::u16string>(c.at(0)), i(7), i(8), i(1), std::get<std::u16string>(c.at(6)),
                          std::get<std::string>(c.at(4)), i(2), i(3), i(5));
    }
    return rows;
}

inline std::vector<std::u16string> Names(const PubDataStore& store) {
    std::vector<std::u16string> names;
    for (const Row& r : Rows(store)) names.push_back(r.name);
    return names;
}

inline int LockValue(PubDataStore& store) { return store.PropertyInt(store.SpaceIndex(kSpace), kLock); }

// `count` rows named "r000", "r001", ... with charms first, first + step, ...
inline std::vector<Row> Numbered(int first, int step, int count = 150) {
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({{u'r', char16_t(u'0' + i / 100), char16_t(u'0' + i / 10 % 10), char16_t(u'0' + i % 10)},
                        first + i * step});
    return rows;
}

}  // namespace charm
