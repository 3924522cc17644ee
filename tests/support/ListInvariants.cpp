#include "ListInvariants.h"

#include <algorithm>
#include <utility>

#include "Utility/WideText.h"
#include "host/PubDataStore.h"

namespace ListInvariants {

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
        if (name.empty()) return where + "row " + std::to_string(row) + " has no name";
        const int rank = store.QueryInt(index, list.record, row, list.rankColumn);
        if (row > 0 && rank > previous) {
            return where + "row " + std::to_string(row) + " (" + WideToString(name.c_str()) + ", " +
                   std::to_string(rank) + ") ranks above the row before it (" + std::to_string(previous) + ")";
        }
        previous = rank;
        names.push_back(std::move(name));
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

const ListShape* ListOfLock(std::string_view lockProperty) {
    for (const ListShape& list : kAllLists)
        if (lockProperty == list.lock) return &list;
    return nullptr;
}

}  // namespace ListInvariants
