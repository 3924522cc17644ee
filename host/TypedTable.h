#pragma once
// A record: typed columns and rows up to a maximum row count. The one table
// behind object records and public data records.
//
// Rows are allocated as they come, never for the maximum. Operations that
// refuse return false (or -1) and say why in `why`; the owner adds the
// operation's and the record's name and files the refusal.
#include <string>
#include <string_view>
#include <vector>

#include "HostValue.h"
#include "module/IVarList.h"

class TypedTable {
public:
    // Shapes are bounded because they come from files and peers: a 200-byte
    // class definition asking for 2^31 columns must be refused, not allocated.
    // The largest record the game keeps is a 150-row leaderboard of 11 columns
    // and object records (bags, mail) stay in the hundreds of rows, so these
    // leave ample room while a full table of the largest shape stays a bounded
    // amount of memory that a host has to ask for one row at a time.
    static constexpr int kMaxCols = 256;
    static constexpr int kMaxRows = 65536;

    // Empty when a table of cols columns and maxRows rows at most may be made; else why not.
    static std::string ShapeRefusal(int maxRows, int cols);

    // Columns of these types (VT_NONE until typed); the shape must pass ShapeRefusal.
    TypedTable(int maxRows, std::vector<int> colTypes, bool save);

    int MaxRows() const noexcept { return maxRows_; }
    int Rows() const noexcept { return static_cast<int>(rows_.size()); }
    int Cols() const noexcept { return static_cast<int>(colTypes_.size()); }
    bool Save() const noexcept { return save_; }
    void SetSave(bool save) noexcept { save_ = save; }
    const std::vector<int>& ColTypes() const noexcept { return colTypes_; }
    const std::vector<std::vector<HostValue>>& RowValues() const noexcept { return rows_; }
    int ColType(int col) const noexcept;  // VT_NONE out of range

    // Types a column; the column's cells become the new type's default.
    bool SetColType(int col, int type, std::string& why);
    // A default row before row; row == Rows() appends. Refused when full.
    bool InsertDefaultRow(int row, std::string& why);
    // A row of values before row (-1 appends); its index, -1 when refused.
    int InsertValues(int row, const IVarList& values, std::string& why);
    bool SetValues(int row, const IVarList& values, std::string& why);
    bool RemoveRow(int row, std::string& why);
    void Clear() noexcept { rows_.clear(); }
    // The first row whose wide text in col equals value, or -1; refused when col holds no wide text.
    int FindWideStr(int col, std::u16string_view value, std::string& why) const;

    // The cell at (row, col) when it exists and its column takes a value of type.
    HostValue* Cell(int row, int col, int type, std::string& why);
    const HostValue* Cell(int row, int col, int type, std::string& why) const;

    // Refills the table with these rows, unchecked (Seed checks them first).
    void Assign(std::vector<std::vector<HostValue>> rows);

private:
    bool RowFits(const IVarList& values, std::string& why) const;
    std::vector<HostValue> DefaultRow() const;
    std::vector<HostValue> RowFrom(const IVarList& values) const;

    int maxRows_;
    bool save_;
    std::vector<int> colTypes_;
    std::vector<std::vector<HostValue>> rows_;
};
