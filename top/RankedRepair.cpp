#include "RankedRepair.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "../module/ValueType.h"
#include "../record/RecordImage.h"

namespace TopList {

namespace {

bool IsDefaultRow(const RecordImage& image, int row) {
    for (int col = 0; col < image.Cols(); ++col) {
        switch (image.ColumnType(col)) {
            case VT_INT:
                if (image.Int(row, col) != 0) return false;
                break;
            case VT_FLOAT:
                if (image.Float(row, col) != 0.0f) return false;
                break;
            case VT_STRING:
                if (*image.Text(row, col) != '\0') return false;
                break;
            case VT_WIDESTR:
                if (!image.WideString(row, col).empty()) return false;
                break;
            default: break;
        }
    }
    return true;
}

// Which layout repairs can trust: the record's own column count, each column
// of the list's type. Unset types are set; false when the count differs.
bool SetLayoutRight(PubRecordHandle& handle, const RankedList& list, bool& changed) {
    const int cols = handle.Cols();
    if (cols != static_cast<int>(list.columnTypes.size())) return false;
    for (int col = 0; col < cols; ++col) {
        const int type = list.columnTypes[static_cast<std::size_t>(col)];
        if (handle.ColumnType(col) != type) {
            handle.SetColumnType(col, type);
            changed = true;
        }
    }
    return true;
}

}  // namespace

bool RepairLocked(PubRecordHandle& handle, const RankedList& list) {
    bool changed = false;
    if (!SetLayoutRight(handle, list, changed)) return false;
    RecordImage image;
    image.TakeAs(handle, list.columnTypes);
    const int key = list.keyColumn;

    std::vector<int> kept;
    kept.reserve(static_cast<std::size_t>(image.Rows()));
    for (int row = 0; row < image.Rows(); ++row) {
        const bool named = !image.WideString(row, 0).empty();
        if (named || (list.fillerRows && IsDefaultRow(image, row))) kept.push_back(row);
    }
    std::stable_sort(kept.begin(), kept.end(), [&](int a, int b) { return image.Int(a, key) > image.Int(b, key); });

    // One row per name: the first seen in rank order, unless the list's re-sort
    // keeps the later of equal keys.
    std::vector<int> whole;
    whole.reserve(kept.size());
    std::unordered_map<std::u16string_view, std::size_t> placeOf;
    for (const int row : kept) {
        const std::u16string_view name = image.WideString(row, 0);
        if (name.empty()) {
            whole.push_back(row);
            continue;
        }
        const auto [at, first] = placeOf.try_emplace(name, whole.size());
        if (first) {
            whole.push_back(row);
        } else if (list.resortKeeps == EqualKeysKeep::NearerEnd &&
                   image.Int(row, key) == image.Int(whole[at->second], key)) {
            whole[at->second] = row;
        }
    }
    if (whole.size() > static_cast<std::size_t>(std::max(list.maxRows, 0))) {
        whole.resize(static_cast<std::size_t>(std::max(list.maxRows, 0)));
    }

    bool inPlace = whole.size() == static_cast<std::size_t>(image.Rows());
    for (std::size_t i = 0; inPlace && i < whole.size(); ++i) inPlace = whole[i] == static_cast<int>(i);
    if (inPlace) return changed;
    handle.Clear();
    image.AppendRows(handle, whole);
    return true;
}

}  // namespace TopList
