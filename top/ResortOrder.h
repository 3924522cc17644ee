#pragma once
// The order a re-sort gives a list's rows: by the list's re-sort keys, one row
// per key (the one the list's rule picks). A key cell is read only where the
// keys before it tie: rows the first key already tells apart never have their
// names read. Each cell is read at most once.
#include <memory_resource>
#include <string_view>
#include <vector>

#include "RankedList.h"

class PubRecordHandle;
class RecordImage;

namespace TopList {

// Where the re-sort reads a row's key cells.
class KeyCells {
public:
    virtual ~KeyCells() = default;
    virtual int Int(int row, int col) = 0;
    // Valid until the next read.
    virtual std::u16string_view WideText(int row, int col) = 0;
};

// The cells of a record, read through the handle (the caller holds the lock).
class RecordKeyCells final : public KeyCells {
public:
    explicit RecordKeyCells(PubRecordHandle& handle) noexcept : handle_(handle) {}
    int Int(int row, int col) override;
    std::u16string_view WideText(int row, int col) override;

private:
    PubRecordHandle& handle_;
};

// The order of `rows` rows (indices from 0, in the order the re-sort writes
// them back; not cut to the list's resortRows).
std::pmr::vector<int> ResortOrder(int rows, KeyCells& cells, const RankedList& list,
                                  std::pmr::memory_resource* memory = std::pmr::get_default_resource());

// The same of rows held in an image.
std::pmr::vector<int> ResortOrder(const RecordImage& image, const RankedList& list);

}  // namespace TopList
