#pragma once
// The public data shared by every server of a world: spaces named by wide text
// and reached by index, each with integer properties and records of typed
// columns and a maximum row count.
//
// Every operation is atomic (one store-wide mutex). Refusals give the failure
// result of the kernel operation (false, -1, VT_NONE, neutral value) and are
// written to Diagnostics(): row values whose count or types do not fit the
// columns, a row or column out of range, a full record, a missing space, record
// or property, or a cell written or read with the wrong type. Probing calls
// (FindSpace, FindProperty, FindRecord, Rows, Cols, MaxRows, AddSpace/AddRecord
// of an existing name) never write there.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DiagnosticLog.h"
#include "HostValue.h"
#include "Utility/IVarList.h"

class PubDataStore {
public:
    PubDataStore();
    ~PubDataStore();
    PubDataStore(const PubDataStore&) = delete;
    PubDataStore& operator=(const PubDataStore&) = delete;

    // --- spaces -----------------------------------------------------------------
    int SpaceIndex(std::u16string_view name) const;            // -1 when missing
    bool AddSpace(std::u16string_view name, int flag);         // false when it exists
    int SpaceCount() const;

    // --- integer properties of a space ----------------------------------------------
    bool FindProperty(int index, std::string_view name) const;
    bool AddProperty(int index, std::string_view name, int type);  // value 0, save on; false when it exists
    bool SetPropertySave(int index, std::string_view name, bool save);
    bool PropertySave(int index, std::string_view name) const;
    bool SetPropertyInt(int index, std::string_view name, int value);
    int PropertyInt(int index, std::string_view name) const;       // 0 when missing
    // When the property holds expected: stores desired, returns true. Counts failures.
    bool CompareSetPropertyInt(int index, std::string_view name, int expected, int desired);
    std::uint64_t CompareSetFailures(int index, std::string_view name) const;  // failed tries so far
    std::uint64_t CompareSetFailuresTotal() const;                             // over every property

    // --- records --------------------------------------------------------------------
    bool FindRecord(int index, std::string_view rec) const;
    // New record of cols columns (all VT_NONE until typed), save on; false when it
    // exists, cols < 1 or maxRows < 0.
    bool AddRecord(int index, std::string_view rec, int maxRows, int cols);
    bool RemoveRecord(int index, std::string_view rec);
    bool SetRecordSave(int index, std::string_view rec, bool save);
    bool RecordSave(int index, std::string_view rec) const;
    // Types a column; existing cells of the column become the type's default.
    bool SetColType(int index, std::string_view rec, int col, int type);
    int ColType(int index, std::string_view rec, int col) const;  // VT_NONE when out of range
    int MaxRows(int index, std::string_view rec) const;           // -1 when missing
    int Rows(int index, std::string_view rec) const;              // -1 when missing
    int Cols(int index, std::string_view rec) const;              // -1 when missing

    // --- rows -----------------------------------------------------------------------
    bool InsertRow(int index, std::string_view rec, int row);  // default row before row; row == rows appends
    // Row of values before row (-1 appends); new index, -1 on refusal.
    int AddRowValues(int index, std::string_view rec, int row, const IVarList& values);
    bool RemoveRow(int index, std::string_view rec, int row);
    bool ClearRecord(int index, std::string_view rec);
    int FindWideStr(int index, std::string_view rec, int col, std::u16string_view value) const;  // first row or -1
    bool SetRowValues(int index, std::string_view rec, int row, const IVarList& values);

    // --- cells ----------------------------------------------------------------------
    bool SetInt(int index, std::string_view rec, int row, int col, int value);
    bool SetFloat(int index, std::string_view rec, int row, int col, float value);
    bool SetString(int index, std::string_view rec, int row, int col, std::string_view value);
    bool SetWideStr(int index, std::string_view rec, int row, int col, std::u16string_view value);
    int QueryInt(int index, std::string_view rec, int row, int col) const;
    float QueryFloat(int index, std::string_view rec, int row, int col) const;
    // Text readers copy into out (cleared on refusal), so callers never hold a
    // pointer into the shared store.
    bool QueryString(int index, std::string_view rec, int row, int col, std::string& out) const;
    bool QueryWideStr(int index, std::string_view rec, int row, int col, std::u16string& out) const;
    ObjectId QueryObject(int index, std::string_view rec, int row, int col) const;

    // --- whole records, for tests, seeding and reports --------------------------------
    struct RecordSnapshot {
        int maxRows = 0;
        bool save = true;
        std::vector<int> colTypes;
        std::vector<std::vector<HostValue>> rows;
    };
    std::optional<RecordSnapshot> Snapshot(std::u16string_view space, std::string_view rec) const;
    // Creates the space when missing and (re)creates the record with these
    // columns and rows; false when a row does not fit colTypes.
    bool Seed(std::u16string_view space, std::string_view rec, int maxRows, const std::vector<int>& colTypes,
              const std::vector<std::vector<HostValue>>& rows);

    struct RecordInfo {
        std::u16string space;
        std::string record;
        int rows = 0, cols = 0, maxRows = 0;
    };
    std::vector<RecordInfo> Records() const;  // every record of every space, by space index then name

    // Called, with the store still locked, right after a compare-and-set that took
    // an int property from 1 to 0 (a record lock being released): tests check the
    // record as its holder left it. The hook may call any store operation.
    using ReleaseHook = std::function<void(PubDataStore& store, int index, std::string_view property)>;
    void SetReleaseHook(ReleaseHook hook);

    DiagnosticLog& Diagnostics() noexcept { return diagnostics_; }
    const DiagnosticLog& Diagnostics() const noexcept { return diagnostics_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    mutable DiagnosticLog diagnostics_;
};
