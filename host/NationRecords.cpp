#include "NationRecords.h"

#include <algorithm>
#include <cstdint>

#include "Utility/CVarList.h"
#include "module/ValueType.h"

namespace NationRecords {

namespace {

constexpr std::u16string_view kNationNames[kNationCount] = {u"Wei", u"Shu", u"Wu", u"Qin", u"Chu"};

const std::vector<int> kResourceTypes(kResourceKinds, VT_INT);
const std::vector<int> kKingTypes = {VT_WIDESTR, VT_WIDESTR, VT_INT, VT_INT};
constexpr int kKingMaxRows = 64;

std::vector<HostValue> KingRow(const King& king) {
    return {HostValue(std::u16string(NationName(king.nation))), HostValue(king.name), HostValue(king.crownedDay),
            HostValue(king.nation)};
}

}  // namespace

std::u16string_view NationName(int nation) {
    return nation >= 0 && nation < kNationCount ? kNationNames[nation] : std::u16string_view();
}

bool SeedResources(PubDataStore& store, const std::vector<ResourceRow>& rows) {
    std::vector<std::vector<HostValue>> cells;
    cells.reserve(rows.size());
    for (const ResourceRow& row : rows) cells.emplace_back(row.begin(), row.end());
    const int maxRows = std::max(kNationCount, static_cast<int>(rows.size()));
    return store.Seed(kResourceSpace, kResourceRecord, maxRows, kResourceTypes, cells);
}

bool SeedKings(PubDataStore& store, const std::vector<King>& kings) {
    std::vector<std::vector<HostValue>> cells;
    cells.reserve(kings.size());
    for (const King& king : kings) cells.push_back(KingRow(king));
    const int maxRows = std::max(kKingMaxRows, static_cast<int>(kings.size()));
    return store.Seed(kKingSpace, kKingRecord, maxRows, kKingTypes, cells);
}

bool SeedEmpty(PubDataStore& store) {
    return SeedResources(store, std::vector<ResourceRow>(kNationCount, ResourceRow{})) && SeedKings(store, {});
}

bool AddResource(PubDataStore& store, int nation, int kind, int amount) {
    const int index = store.SpaceIndex(kResourceSpace);
    if (index < 0 || nation < 0 || nation >= store.Rows(index, kResourceRecord) || kind < 0 || kind >= kResourceKinds) {
        return false;
    }
    const long long sum = static_cast<long long>(store.QueryInt(index, kResourceRecord, nation, kind)) + amount;
    const int clamped = sum > INT32_MAX ? INT32_MAX : sum < INT32_MIN ? INT32_MIN : static_cast<int>(sum);
    return store.SetInt(index, kResourceRecord, nation, kind, clamped);
}

bool CrownKing(PubDataStore& store, int nation, std::u16string_view name, int crownedDay) {
    const int index = store.SpaceIndex(kKingSpace);
    if (index < 0 || !store.FindRecord(index, kKingRecord)) return false;
    const King king{nation, std::u16string(name), crownedDay};
    CVarList values;
    for (const HostValue& value : KingRow(king)) PushValue(values, value);
    const int rows = store.Rows(index, kKingRecord);
    for (int row = 0; row < rows; ++row) {
        if (store.QueryInt(index, kKingRecord, row, kKingNationColumn) == nation) {
            return store.SetRowValues(index, kKingRecord, row, values);
        }
    }
    return store.AddRowValues(index, kKingRecord, -1, values) >= 0;
}

}  // namespace NationRecords
