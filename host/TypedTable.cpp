#include "TypedTable.h"

#include <cstddef>

namespace {
std::string RowOutOfRange(int row, std::size_t rows) {
    return "row " + std::to_string(row) + " out of range (rows " + std::to_string(rows) + ")";
}
}  // namespace

std::string TypedTable::ShapeRefusal(int maxRows, int cols) {
    if (cols < 1 || maxRows < 0)
        return "bad shape: " + std::to_string(maxRows) + " rows, " + std::to_string(cols) + " cols";
    if (cols > kMaxCols || maxRows > kMaxRows)
        return "shape beyond the host's bound: " + std::to_string(maxRows) + " rows, " + std::to_string(cols) +
               " cols (at most " + std::to_string(kMaxRows) + " rows, " + std::to_string(kMaxCols) + " cols)";
    return {};
}

TypedTable::TypedTable(int maxRows, std::vector<int> colTypes, bool save)
    : maxRows_(maxRows), save_(save), colTypes_(std::move(colTypes)) {}

int TypedTable::ColType(int col) const noexcept {
    return col >= 0 && col < Cols() ? colTypes_[static_cast<std::size_t>(col)] : VT_NONE;
}

bool TypedTable::SetColType(int col, int type, std::string& why) {
    if (col < 0 || col >= Cols() || !IsStorableType(type)) {
        why = "column " + std::to_string(col) + " or type " + std::to_string(type) + " out of range";
        return false;
    }
    const auto c = static_cast<std::size_t>(col);
    if (colTypes_[c] != type) {
        colTypes_[c] = type;
        for (auto& row : rows_) row[c] = DefaultValue(type);
    }
    return true;
}

bool TypedTable::InsertDefaultRow(int row, std::string& why) {
    if (row < 0 || row > Rows()) {
        why = RowOutOfRange(row, rows_.size());
        return false;
    }
    if (Rows() >= maxRows_) {
        why = "record full (" + std::to_string(maxRows_) + " rows)";
        return false;
    }
    rows_.insert(rows_.begin() + row, DefaultRow());
    return true;
}

int TypedTable::InsertValues(int row, const IVarList& values, std::string& why) {
    if (row == -1) row = Rows();
    if (row < 0 || row > Rows()) {
        why = RowOutOfRange(row, rows_.size());
        return -1;
    }
    if (Rows() >= maxRows_) {
        why = "record full (" + std::to_string(maxRows_) + " rows)";
        return -1;
    }
    if (!RowFits(values, why)) return -1;
    rows_.insert(rows_.begin() + row, RowFrom(values));
    return row;
}

bool TypedTable::SetValues(int row, const IVarList& values, std::string& why) {
    if (row < 0 || row >= Rows()) {
        why = RowOutOfRange(row, rows_.size());
        return false;
    }
    if (!RowFits(values, why)) return false;
    auto& cells = rows_[static_cast<std::size_t>(row)];
    for (std::size_t i = 0; i < colTypes_.size(); ++i) cells[i] = StoredAs(colTypes_[i], ValueFromList(values, i));
    return true;
}

bool TypedTable::RemoveRow(int row, std::string& why) {
    if (row < 0 || row >= Rows()) {
        why = RowOutOfRange(row, rows_.size());
        return false;
    }
    rows_.erase(rows_.begin() + row);
    return true;
}

int TypedTable::FindWideStr(int col, std::u16string_view value, std::string& why) const {
    if (ColType(col) != VT_WIDESTR) {
        why = "column " + std::to_string(col) + " is no wide text column";
        return -1;
    }
    const auto c = static_cast<std::size_t>(col);
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (*WideOf(&rows_[i][c]) == value) return static_cast<int>(i);
    return -1;
}

HostValue* TypedTable::Cell(int row, int col, int type, std::string& why) {
    return const_cast<HostValue*>(static_cast<const TypedTable&>(*this).Cell(row, col, type, why));
}

const HostValue* TypedTable::Cell(int row, int col, int type, std::string& why) const {
    if (row < 0 || row >= Rows()) {
        why = RowOutOfRange(row, rows_.size());
        return nullptr;
    }
    if (col < 0 || col >= Cols()) {
        why = "column " + std::to_string(col) + " out of range (cols " + std::to_string(colTypes_.size()) + ")";
        return nullptr;
    }
    const int colType = colTypes_[static_cast<std::size_t>(col)];
    if (!TypeFits(colType, type)) {
        why =
            "column " + std::to_string(col) + " has type " + std::to_string(colType) + ", not " + std::to_string(type);
        return nullptr;
    }
    return &rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void TypedTable::Assign(std::vector<std::vector<HostValue>> rows) {
    rows_ = std::move(rows);
    for (auto& row : rows_)
        for (std::size_t i = 0; i < row.size() && i < colTypes_.size(); ++i)
            row[i] = StoredAs(colTypes_[i], std::move(row[i]));
}

bool TypedTable::RowFits(const IVarList& values, std::string& why) const {
    if (values.Size() != colTypes_.size()) {
        why = std::to_string(values.Size()) + " values for " + std::to_string(colTypes_.size()) + " columns";
        return false;
    }
    for (std::size_t i = 0; i < colTypes_.size(); ++i) {
        if (!TypeFits(colTypes_[i], values.TypeAt(i))) {
            why = "value " + std::to_string(i) + " of type " + std::to_string(values.TypeAt(i)) +
                  " for a column of type " + std::to_string(colTypes_[i]);
            return false;
        }
    }
    return true;
}

std::vector<HostValue> TypedTable::DefaultRow() const {
    std::vector<HostValue> row;
    row.reserve(colTypes_.size());
    for (int type : colTypes_) row.push_back(DefaultValue(type));
    return row;
}

std::vector<HostValue> TypedTable::RowFrom(const IVarList& values) const {
    std::vector<HostValue> row;
    row.reserve(colTypes_.size());
    for (std::size_t i = 0; i < colTypes_.size(); ++i) row.push_back(StoredAs(colTypes_[i], ValueFromList(values, i)));
    return row;
}
