#include "ResortOrder.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>
#include <utility>

#include "../module/ValueType.h"
#include "../record/PubRecordHandle.h"
#include "../record/RecordImage.h"

namespace TopList {

int RecordKeyCells::Int(int row, int col) { return handle_.CellInt(row, col); }

std::u16string_view RecordKeyCells::WideText(int row, int col) { return handle_.CellWideText(row, col); }

namespace {

class ImageKeyCells final : public KeyCells {
public:
    explicit ImageKeyCells(const RecordImage& image) noexcept : image_(image) {}
    int Int(int row, int col) override { return image_.Int(row, col); }
    std::u16string_view WideText(int row, int col) override { return image_.WideString(row, col); }

private:
    const RecordImage& image_;
};

// A run of `order` whose rows tie on every key compared so far.
using Run = std::pair<std::size_t, std::size_t>;  // [first, last)

// One key column's cells of the rows being compared, each read once.
class KeyColumn {
public:
    KeyColumn(int rows, std::pmr::memory_resource* memory)
        : ints_(static_cast<std::size_t>(rows), memory),
          spans_(static_cast<std::size_t>(rows), memory),
          text_(memory) {}

    // Ready for the cells of `rows` rows of this key; texts are guessed at 16 units.
    void Start(const ResortKey& key, bool text, std::size_t rows) {
        key_ = key;
        text_.clear();
        isText_ = text;
        if (isText_) text_.reserve(rows * 16);
    }
    void Read(KeyCells& cells, int row) {
        const auto r = static_cast<std::size_t>(row);
        if (!isText_) {
            ints_[r] = cells.Int(row, key_.column);
            return;
        }
        const std::u16string_view value = cells.WideText(row, key_.column);
        spans_[r] = {static_cast<std::uint32_t>(text_.size()), static_cast<std::uint32_t>(value.size())};
        text_.append(value);
    }
    // Negative, 0 or positive as row a's cell is below, equal to or above row b's.
    int Compare(int a, int b) const {
        if (isText_) return Text(a).compare(Text(b));
        const int x = ints_[static_cast<std::size_t>(a)];
        const int y = ints_[static_cast<std::size_t>(b)];
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    bool Descending() const noexcept { return key_.descending; }

private:
    std::u16string_view Text(int row) const {
        const auto [at, length] = spans_[static_cast<std::size_t>(row)];
        return std::u16string_view(text_).substr(at, length);
    }

    ResortKey key_{};
    bool isText_ = false;
    std::pmr::vector<int> ints_;
    std::pmr::vector<std::pair<std::uint32_t, std::uint32_t>> spans_;
    std::pmr::u16string text_;
};

}  // namespace

// A stable sort by every key at once, then one row per run of equal keys, is
// the same as sorting by the first key, then each run of ties by the next key,
// and so on: the later keys are read only for the rows in a tie.
std::pmr::vector<int> ResortOrder(int rows, KeyCells& cells, const RankedList& list,
                                  std::pmr::memory_resource* memory) {
    const int n = std::max(rows, 0);
    std::pmr::vector<int> order(static_cast<std::size_t>(n), memory);
    // Rows in the order they count as added: of equal keys the first added stays.
    std::iota(order.begin(), order.end(), 0);
    if (list.resortKeeps == EqualKeysKeep::NearerEnd) std::reverse(order.begin(), order.end());

    std::pmr::vector<Run> ties(memory);
    std::pmr::vector<Run> next(memory);
    ties.reserve(order.size() / 2 + 1);
    next.reserve(order.size() / 2 + 1);
    if (n > 1) ties.emplace_back(0, order.size());
    KeyColumn column(n, memory);
    // Where each row stood before a run is sorted: ties keep that order. (A plain
    // sort with this tie-break is stable and, unlike std::stable_sort, takes no
    // memory of its own.)
    std::pmr::vector<int> before(static_cast<std::size_t>(n), memory);
    for (const ResortKey& key : list.resortOrder) {
        if (ties.empty()) break;
        const auto type = static_cast<std::size_t>(key.column) < list.columnTypes.size()
                              ? list.columnTypes[static_cast<std::size_t>(key.column)]
                              : VT_NONE;
        std::size_t tied = 0;
        for (const auto& [first, last] : ties) tied += last - first;
        column.Start(key, type == VT_WIDESTR, tied);
        next.clear();
        for (const auto& [first, last] : ties) {
            for (std::size_t i = first; i < last; ++i) {
                column.Read(cells, order[i]);
                before[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
            }
            const auto begin = order.begin() + static_cast<std::ptrdiff_t>(first);
            const auto end = order.begin() + static_cast<std::ptrdiff_t>(last);
            std::sort(begin, end, [&](int a, int b) {
                const int sign = column.Compare(a, b);
                if (sign != 0) return column.Descending() ? sign > 0 : sign < 0;
                return before[static_cast<std::size_t>(a)] < before[static_cast<std::size_t>(b)];
            });
            for (std::size_t i = first; i < last;) {
                std::size_t j = i + 1;
                while (j < last && column.Compare(order[i], order[j]) == 0) ++j;
                if (j - i > 1) next.emplace_back(i, j);
                i = j;
            }
        }
        ties.swap(next);
    }
    // What still ties, ties on every key: the first of each run stays.
    if (!ties.empty()) {
        std::pmr::vector<char> dropped(order.size(), 0, memory);
        for (const auto& [first, last] : ties)
            std::fill(dropped.begin() + static_cast<std::ptrdiff_t>(first) + 1,
                      dropped.begin() + static_cast<std::ptrdiff_t>(last), 1);
        std::size_t kept = 0;
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (dropped[i] == 0) order[kept++] = order[i];
        }
        order.resize(kept);
    }
    return order;
}

std::pmr::vector<int> ResortOrder(const RecordImage& image, const RankedList& list) {
    ImageKeyCells cells(image);
    return ResortOrder(image.Rows(), cells, list);
}

}  // namespace TopList
