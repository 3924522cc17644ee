#include "RecordImage.h"

#include <algorithm>
#include <bit>
#include <new>

#include "../Utility/CVarList.h"
#include "../Utility/RetryOnShortage.h"
#include "../module/ValueType.h"
#include "PubRecordHandle.h"

namespace {

// Keeps a text with its terminating zero, so it can be handed on as it stands;
// an empty text takes no room.
template <class Text, class Char>
void Keep(Text& buffer, std::basic_string_view<Char> text, std::uint32_t& at, std::uint32_t& length) {
    at = static_cast<std::uint32_t>(buffer.size());
    length = static_cast<std::uint32_t>(text.size());
    if (text.empty()) return;
    buffer.append(text);
    buffer.push_back(Char{});
}

}  // namespace

void RecordImage::Take(PubRecordHandle& handle, int first, int count) {
    SetLayout({});
    const int cols = handle.Cols();
    if (cols <= 0) return;
    types_.reserve(static_cast<std::size_t>(cols));
    for (int col = 0; col < cols; ++col) types_.push_back(handle.ColumnType(col));
    ReadRows(handle, first, count);
}

void RecordImage::TakeAs(PubRecordHandle& handle, std::span<const int> types) {
    SetLayout(types);
    ReadRows(handle, 0, -1);
}

void RecordImage::TakeRowsAs(PubRecordHandle& handle, std::span<const int> types, std::span<const int> rows) {
    SetLayout(types);
    ReadEach(handle, rows.size(), [rows](std::size_t i) { return rows[i]; });
}

void RecordImage::ReadRows(PubRecordHandle& handle, int first, int count) {
    recordRows_ = handle.Rows();
    const long long rows = std::max(recordRows_, 0);
    const long long begin = std::min<long long>(std::max(first, 0), rows);
    const long long end = count < 0 ? rows : std::min(rows, begin + count);
    ReadEach(handle, static_cast<std::size_t>(end - begin),
             [begin](std::size_t i) { return static_cast<int>(begin + static_cast<long long>(i)); });
}

template <class RowAt>
void RecordImage::ReadEach(PubRecordHandle& handle, std::size_t taken, RowAt rowAt) {
    const auto columnsOf = [this](int type) {
        return static_cast<std::size_t>(std::count(types_.begin(), types_.end(), type));
    };
    // Room for the whole list at once; texts are guessed at 16 units and grow when longer.
    cells_.reserve(taken * types_.size());
    wide_.reserve(taken * columnsOf(VT_WIDESTR) * 16);
    narrow_.reserve(taken * columnsOf(VT_STRING) * 16);
    objects_.reserve(taken * columnsOf(VT_OBJECT));
    for (std::size_t i = 0; i < taken; ++i) {
        const int row = rowAt(i);
        for (int col = 0; col < Cols(); ++col) {
            Cell cell;
            switch (types_[static_cast<std::size_t>(col)]) {
                case VT_INT: cell.value = std::bit_cast<std::uint32_t>(handle.CellInt(row, col)); break;
                case VT_FLOAT: cell.value = std::bit_cast<std::uint32_t>(handle.CellFloat(row, col)); break;
                case VT_STRING:
                    Keep(narrow_, std::string_view(handle.CellText(row, col)), cell.value, cell.length);
                    break;
                case VT_WIDESTR:
                    Keep(wide_, std::u16string_view(handle.CellWideText(row, col)), cell.value, cell.length);
                    break;
                case VT_OBJECT:
                    cell.value = static_cast<std::uint32_t>(objects_.size());
                    objects_.push_back(handle.CellObject(row, col));
                    break;
                default: break;
            }
            cells_.push_back(cell);
        }
    }
    rows_ = static_cast<int>(taken);
}

void RecordImage::SetLayout(std::span<const int> types) {
    recordRows_ = -1;
    types_.assign(types.begin(), types.end());
    cells_.clear();
    wide_.clear();
    narrow_.clear();
    objects_.clear();
    rows_ = 0;
}

int RecordImage::AddRow() {
    cells_.resize(cells_.size() + types_.size());
    for (std::size_t col = 0; col < types_.size(); ++col) {
        if (types_[col] != VT_OBJECT) continue;
        cells_[cells_.size() - types_.size() + col].value = static_cast<std::uint32_t>(objects_.size());
        objects_.push_back(ObjectId{});
    }
    return rows_++;
}

int RecordImage::AddRow(const IVarList& values) {
    const int row = AddRow();
    std::size_t at = 0;
    for (int col = 0; col < Cols(); ++col) {
        Cell& cell = cells_[static_cast<std::size_t>(row) * types_.size() + static_cast<std::size_t>(col)];
        const int type = types_[static_cast<std::size_t>(col)];
        const bool matches = at < values.Size() && values.TypeAt(at) == type;
        switch (type) {
            case VT_INT: cell.value = std::bit_cast<std::uint32_t>(values.IntAt(at)); break;
            case VT_FLOAT: cell.value = std::bit_cast<std::uint32_t>(values.FloatAt(at)); break;
            case VT_STRING:
                if (matches) Keep(narrow_, std::string_view(values.StringAt(at)), cell.value, cell.length);
                break;
            case VT_WIDESTR:
                if (matches) Keep(wide_, std::u16string_view(values.WideStringAt(at)), cell.value, cell.length);
                break;
            case VT_OBJECT: objects_[cell.value] = values.ObjectAt(at); break;
            default: continue;  // a column a list cannot carry takes no value
        }
        ++at;
    }
    return row;
}

void RecordImage::SetInt(int row, int col, int value) {
    const std::ptrdiff_t at = IndexOf(row, col, VT_INT);
    if (at >= 0) cells_[static_cast<std::size_t>(at)].value = std::bit_cast<std::uint32_t>(value);
}

void RecordImage::SetWideString(int row, int col, std::u16string_view value) {
    const std::ptrdiff_t at = IndexOf(row, col, VT_WIDESTR);
    if (at >= 0)
        Keep(wide_, value, cells_[static_cast<std::size_t>(at)].value, cells_[static_cast<std::size_t>(at)].length);
}

int RecordImage::ColumnType(int col) const noexcept {
    return col >= 0 && col < Cols() ? types_[static_cast<std::size_t>(col)] : VT_NONE;
}

std::ptrdiff_t RecordImage::IndexOf(int row, int col, int type) const noexcept {
    if (row < 0 || row >= rows_ || ColumnType(col) != type) return -1;
    return static_cast<std::ptrdiff_t>(row) * Cols() + col;
}

const RecordImage::Cell* RecordImage::CellOf(int row, int col, int type) const noexcept {
    const std::ptrdiff_t at = IndexOf(row, col, type);
    return at >= 0 ? &cells_[static_cast<std::size_t>(at)] : nullptr;
}

int RecordImage::Int(int row, int col) const noexcept {
    const Cell* cell = CellOf(row, col, VT_INT);
    return cell != nullptr ? std::bit_cast<int>(cell->value) : 0;
}

float RecordImage::Float(int row, int col) const noexcept {
    const Cell* cell = CellOf(row, col, VT_FLOAT);
    return cell != nullptr ? std::bit_cast<float>(cell->value) : 0.0f;
}

const char* RecordImage::Text(int row, int col) const noexcept {
    const Cell* cell = CellOf(row, col, VT_STRING);
    return cell != nullptr && cell->length > 0 ? narrow_.data() + cell->value : "";
}

const char16_t* RecordImage::WideText(int row, int col) const noexcept {
    const Cell* cell = CellOf(row, col, VT_WIDESTR);
    return cell != nullptr && cell->length > 0 ? wide_.data() + cell->value : u"";
}

std::u16string_view RecordImage::WideString(int row, int col) const noexcept {
    const Cell* cell = CellOf(row, col, VT_WIDESTR);
    return cell != nullptr ? std::u16string_view(wide_).substr(cell->value, cell->length) : std::u16string_view();
}

ObjectId RecordImage::Object(int row, int col) const noexcept {
    const Cell* cell = CellOf(row, col, VT_OBJECT);
    return cell != nullptr ? objects_[cell->value] : ObjectId{};
}

void RecordImage::PushRow(int row, IVarList& out) const {
    for (int col = 0; col < Cols(); ++col) {
        switch (types_[static_cast<std::size_t>(col)]) {
            case VT_INT: out.PushInt(Int(row, col)); break;
            case VT_FLOAT: out.PushFloat(Float(row, col)); break;
            case VT_STRING: out.PushString(Text(row, col)); break;
            case VT_WIDESTR: out.PushWideString(WideText(row, col)); break;
            case VT_OBJECT: out.PushObject(Object(row, col)); break;
            default: break;
        }
    }
}

bool RecordImage::Recreate(PubRecordHandle& handle, int maxRows, int rowCount) const {
    if (!handle.CreateRecord(maxRows, Cols())) return false;
    handle.SetColumnTypes(types_);
    AppendRows(handle, rowCount);
    return true;
}

template <class RowAt>
void RecordImage::AppendEach(PubRecordHandle& handle, std::size_t count, RowAt rowAt) const {
    std::size_t next = 0;
    int rows = handle.Rows();
    try {
        CVarList values;  // reused: its entry array is kept across Reset
        for (; next < count; ++next) {
            values.Reset();
            PushRow(rowAt(next), values);
            const int at = handle.AddRow(-1, values);
            rows = at >= 0 ? at + 1 : handle.Rows();
        }
    } catch (const std::bad_alloc&) {
        // The row being appended goes in again at `rows`, written from this image.
        bool shortage = true;
        for (; next < count; ++next) {
            InsertRow(handle, rowAt(next), rows, rows, shortage);
            rows = handle.Rows();
        }
        throw;
    }
}

void RecordImage::AppendRows(PubRecordHandle& handle, std::span<const int> order) const {
    AppendEach(handle, order.size(), [order](std::size_t i) { return order[i]; });
}

void RecordImage::AppendRows(PubRecordHandle& handle, int count) const {
    const std::size_t n = static_cast<std::size_t>(std::clamp(count, 0, rows_));
    AppendEach(handle, n, [](std::size_t i) { return static_cast<int>(i); });
}

bool RecordImage::InsertRow(PubRecordHandle& handle, int row, int at, int rowsWithout, bool& shortage) const {
    bool inserted = false;
    const auto step = [&] {
        if (handle.Rows() == rowsWithout && !handle.InsertDefaultRow(at)) return;
        WriteCells(handle, row, at);
        inserted = true;
    };
    try {
        RetryOnShortage(step, shortage);
    } catch (const std::bad_alloc&) {
        // Better no row than a nameless one, or one out of rank order.
        if (handle.Rows() > rowsWithout) handle.RemoveRow(at);
        throw;
    }
    return inserted;
}

// One kernel call per cell, and no allocation in the library: the texts are
// handed on from the image's buffers. Object cells have no setter and keep the
// default the inserted row got. Column 0 (a list's name) goes last, so a row
// that a stopped server left half written has no name, and a repair knows it.
void RecordImage::WriteCells(PubRecordHandle& handle, int row, int at) const {
    for (int n = 1; n <= Cols(); ++n) {
        const int col = n % Cols();
        switch (types_[static_cast<std::size_t>(col)]) {
            case VT_INT: handle.SetCellInt(at, col, Int(row, col)); break;
            case VT_FLOAT: handle.SetCellFloat(at, col, Float(row, col)); break;
            case VT_STRING: handle.SetCellString(at, col, Text(row, col)); break;
            case VT_WIDESTR: handle.SetCellWideString(at, col, WideText(row, col)); break;
            default: break;
        }
    }
}

bool SetMaxRows(PubRecordHandle& handle, int maxRows) {
    if (handle.PubIndex() < 0 || maxRows <= 0) return false;
    const int oldMax = handle.MaxRows();
    if (oldMax < 0 || maxRows == oldMax) return false;  // missing, or nothing to change
    // Everything is read before anything is removed: running out of memory here
    // leaves the record untouched.
    RecordImage saved;
    saved.Take(handle);
    if (saved.Cols() <= 0) return false;
    const int keep = std::min(saved.Rows(), maxRows);
    const bool defaultsComplete = std::all_of(saved.Types().begin(), saved.Types().end(), [](int type) {
        return type == VT_INT || type == VT_FLOAT || type == VT_STRING || type == VT_WIDESTR;
    });

    handle.RemoveRecord();
    bool created = false;
    try {
        created = saved.Recreate(handle, maxRows, keep);
    } catch (const std::bad_alloc&) {
        // Put the old record back, whole, before the shortage is reported.
        handle.RemoveRecord();
        saved.Recreate(handle, oldMax, saved.Rows());
        throw;
    }
    if (!created) {
        // Put the old record back with all its rows rather than lose the list.
        const bool restored = saved.Recreate(handle, oldMax, saved.Rows());
        const std::string text = std::string("PubRecordHandle::SetMaxRows: cannot re-create record ") +
                                 handle.RecordName() + " with " + std::to_string(maxRows) + " rows; " +
                                 (restored ? "kept it as it was" : "could not put it back either");
        handle.Kernel()->WriteLog(text.c_str());
        return false;
    }
    for (int row = keep; row < maxRows; ++row) {
        // A new row holds the default of each column's type: 0, 0.0, empty text.
        if (!defaultsComplete) return false;  // a column type without a default value
        if (!handle.InsertDefaultRow(row)) return false;
    }
    return true;
}
