#include "ListInvariants.h"

#include <algorithm>
#include <utility>

#include "PubDataStore.h"
#include "module/ValueType.h"
#include "Utility/WideText.h"

namespace ListInvariants {

namespace {

bool AllDefault(const PubDataStore& store, int index, const char* record, int row) {
    for (int col = 0; col < store.Cols(index, record); ++col) {
        std::string text;
        std::u16string wide;
        const int type = store.ColType(index, record, col);
        if (type == VT_INT && store.QueryInt(index, record, row, col) != 0) return false;
        if (type == VT_STRING && store.QueryString(index, record, row, col, text) && !text.empty()) return false;
        if (type == VT_WIDESTR && store.QueryWideStr(index, record, row, col, wide) && !wide.empty()) return false;
    }
    return true;
}

}  // namespace

std::string CheckRows(const PubDataStore& store, const ListShape& list) {
    const int index = store.SpaceIndex(list.space);
    if (index < 0 || !store.FindRecord(index, list.record)) return {};
    const std::string where = std::string(list.record) + ": ";
    const int rows = store.Rows(index, list.record);
    if (rows > kMaxRows) return where + std::to_string(rows) + " rows";

    std::vector<std::u16string> names;
    int previous = 0;
    for (int row = 0; row < rows; ++row) {
        std::u16string name;
        store.QueryWideStr(index, list.record, row, 0, name);
        if (name.empty() && !(list.fillerRows && AllDefault(store, index, list.record, row))) {
            return where + "row " + std::to_string(row) + " has no name";
        }
        const int rank = store.QueryInt(index, list.record, row, list.rankColumn);
        if (row > 0 && rank > previous) {
            return where + "row " + std::to_string(row) + " (" + WideToString(name.c_str()) + ", " +
                   std::to_string(rank) + ") ranks above the row before it (" + std::to_string(previous) + ")";
        }
        previous = rank;
        if (!name.empty()) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    const auto twice = std::adjacent_find(names.begin(), names.end());
    return twice == names.end() ? std::string() : where + "name " + WideToString(twice->c_str()) + " twice";
}

std::string Check(const PubDataStore& store, const ListShape& list) {
    std::string fault = CheckRows(store, list);
    const int index = store.SpaceIndex(list.space);
    const int lock = index >= 0 && store.FindProperty(index, list.lock) ? store.PropertyInt(index, list.lock) : 0;
    if (fault.empty() && lock != 0) fault = std::string(list.lock) + " is " + std::to_string(lock);
    return fault;
}

std::string CheckAll(const PubDataStore& store) {
    std::string faults;
    for (const ListShape& list : kAllLists) {
        const std::string fault = Check(store, list);
        if (!fault.empty()) faults += (faults.empty() ? "" : "; ") + fault;
    }
    return faults;
}

std::string CheckMembers(const PubDataStore& store, const ListShape& list, const std::vector<Member>& members) {
    const auto snapshot = store.Snapshot(list.space, list.record);  // one call, wherever the store is
    if (!snapshot) return {};
    std::vector<std::u16string> listed;
    for (const auto& row : snapshot->rows)
        if (const auto* name = std::get_if<std::u16string>(&row.at(0))) listed.push_back(*name);
    std::sort(listed.begin(), listed.end());
    const bool full = snapshot->rows.size() >= static_cast<std::size_t>(kMaxRows);
    const int last =
        snapshot->rows.empty() ? 0 : IntOf(&snapshot->rows.back().at(static_cast<std::size_t>(list.rankColumn)));
    std::string lost;
    std::size_t count = 0;
    for (const Member& m : members) {
        if (std::binary_search(listed.begin(), listed.end(), m.name) || (full && m.key <= last)) continue;
        if (count++ < 5) {
            lost += (lost.empty() ? "" : ", ") + WideToString(m.name.c_str()) + " (" + std::to_string(m.key) + ")";
        }
    }
    if (count == 0) return {};
    return std::string(list.record) + ": " + std::to_string(count) + " player" + (count == 1 ? "" : "s") +
           " lost (not listed though " + (full ? "ranked above the last row" : "the list has room") + "): " + lost +
           (count > 5 ? ", ..." : "");
}

const ListShape* ListOfLock(std::string_view lockProperty) {
    for (const ListShape& list : kAllLists)
        if (lockProperty == list.lock) return &list;
    return nullptr;
}

}  // namespace ListInvariants
