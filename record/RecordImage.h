#pragma once
// A record's column types and rows held in memory, so that the record can be
// emptied or removed and written back: every rebuild, migration, resize, re-sort
// and restore of a list goes through here. Rows are held compactly (one cell
// array and one buffer per kind of text, whatever the row count; a row or two
// fit inside the image itself), and texts keep their terminating zeros, so
// writing rows back cell by cell allocates nothing in the library: a list that
// was emptied is refilled even when memory is short.
#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "../module/IVarList.h"
#include "../module/ObjectId.h"

class PubRecordHandle;

class RecordImage {
public:
    // Memory past the image's own inline room comes from upstream.
    explicit RecordImage(std::pmr::memory_resource* upstream = std::pmr::get_default_resource()) noexcept
        : arena_(inline_, sizeof(inline_), upstream) {}
    RecordImage(const RecordImage&) = delete;
    RecordImage& operator=(const RecordImage&) = delete;

    // Reads the column types, then `count` rows from `first` (all rows from there
    // when count is negative), clipped to the record. A missing record gives an
    // empty image with no columns.
    void Take(PubRecordHandle& handle, int first = 0, int count = -1);
    // Reads every row as these column types, whatever the record's own are: a
    // list read so is written back in its own layout.
    void TakeAs(PubRecordHandle& handle, std::span<const int> types);
    // Reads the named rows, in the order named, as these column types; a row
    // outside the record reads as neutral values.
    void TakeRowsAs(PubRecordHandle& handle, std::span<const int> types, std::span<const int> rows);
    // Starts a hand-built image with this layout and no rows.
    void SetLayout(std::span<const int> types);
    // Appends a row of neutral values (0, 0.0, empty text, the null object); its index.
    int AddRow();
    // Appends a row holding the list's values, one per column in order (as
    // PushRow gives them); a value of another type than its column is neutral.
    int AddRow(const IVarList& values);
    // A cell of a hand-built row; ignored when the column has another type.
    void SetInt(int row, int col, int value);
    void SetWideString(int row, int col, std::u16string_view value);

    int Rows() const noexcept { return rows_; }
    // The rows the record held when Take read it; -1 when it was missing.
    int RecordRows() const noexcept { return recordRows_; }
    int Cols() const noexcept { return static_cast<int>(types_.size()); }
    int ColumnType(int col) const noexcept;
    std::span<const int> Types() const noexcept { return types_; }
    // A cell read as the asked type: a neutral value when the column has another.
    int Int(int row, int col) const noexcept;
    float Float(int row, int col) const noexcept;
    const char* Text(int row, int col) const noexcept;
    const char16_t* WideText(int row, int col) const noexcept;
    std::u16string_view WideString(int row, int col) const noexcept;
    ObjectId Object(int row, int col) const noexcept;
    // Appends the row's cells by column type, as PubRecordHandle::CopyRowToList does.
    void PushRow(int row, IVarList& out) const;

    // REQUIRES: the list's lock is held. Adds the (removed) record anew with this
    // layout and its first rowCount rows; false when the record cannot be added.
    bool Recreate(PubRecordHandle& handle, int maxRows, int rowCount) const;

    // REQUIRES: the list's lock is held, unless nobody can see the record yet.
    // Appends image rows to the record: `order` names them, or the first `count`.
    // Rows go in whole while memory allows; after a failed allocation the rest go
    // in cell by cell, each tried twice, so a passing shortage loses no row; the
    // shortage is then passed on.
    void AppendRows(PubRecordHandle& handle, std::span<const int> order) const;
    void AppendRows(PubRecordHandle& handle, int count) const;
    // REQUIRES: the list's lock is held. Inserts image row `row` at `at`, cell by
    // cell, into a record that holds rowsWithout rows without it; a row already
    // inserted there by an earlier try is only rewritten. Tried once more on a
    // shortage (noted in shortage); a row left half written by a second failure
    // is taken out again before the failure goes on. Whether the row is in.
    bool InsertRow(PubRecordHandle& handle, int row, int at, int rowsWithout, bool& shortage) const;

private:
    // An int or float's bits, or where a text (offset and length, in its buffer)
    // or an object (index) is kept.
    struct Cell {
        std::uint32_t value = 0;
        std::uint32_t length = 0;
    };

    void ReadRows(PubRecordHandle& handle, int first, int count);
    template <class RowAt>
    void ReadEach(PubRecordHandle& handle, std::size_t count, RowAt rowAt);
    // Where the cell is in cells_; -1 when out of range or of another type.
    std::ptrdiff_t IndexOf(int row, int col, int type) const noexcept;
    const Cell* CellOf(int row, int col, int type) const noexcept;
    template <class RowAt>
    void AppendEach(PubRecordHandle& handle, std::size_t count, RowAt rowAt) const;
    void WriteCells(PubRecordHandle& handle, int row, int at) const;

    // Memory is only given back when the image goes: it lives for one operation.
    alignas(std::max_align_t) std::byte inline_[512];
    std::pmr::monotonic_buffer_resource arena_;
    std::pmr::vector<int> types_{&arena_};
    std::pmr::vector<Cell> cells_{&arena_};  // row after row
    std::pmr::u16string wide_{&arena_};      // every wide text, each with its terminating zero
    std::pmr::string narrow_{&arena_};       // every narrow text, the same way
    std::pmr::vector<ObjectId> objects_{&arena_};
    int rows_ = 0;
    int recordRows_ = -1;
};

// Re-creates the handle's record with another maximum, keeping rows and column
// types, through an image of it: nothing is removed before all is read.
bool SetMaxRows(PubRecordHandle& handle, int maxRows);
