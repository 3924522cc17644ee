#pragma once
// One record of one public data space, reached through the kernel of the current
// call, with the record's lock: the integer property named after the record
// followed by "PubLock" (0 free, 1 held). Built on the stack, owns no host state.
// Every public-record operation the leaderboards use goes through here.
//
// The rows of a shared list are rewritten only under its lock: operations marked
// REQUIRES say so. Records no other server rewrites (the prize time) and the
// set-up of a record before anyone uses it are the callers' stated exceptions.
#include <span>
#include <string>

#include "../Utility/IVarList.h"
#include "IKernel.h"

class PubRecordHandle {
public:
    // Creates the space when it is missing and resolves its index.
    PubRecordHandle(IKernel* kernel, const char16_t* pubName, const char* recordName);
    PubRecordHandle(const PubRecordHandle&) = delete;
    PubRecordHandle& operator=(const PubRecordHandle&) = delete;

    // Waits without limit until the lock is taken; creates the lock property when missing.
    void Lock();
    void Unlock();

    // Adds the record; when it was added the lock is made free.
    bool CreateRecord(int maxRows, int cols);
    // Adds the record and leaves the lock as it is.
    bool AddRecord(int maxRows, int cols);
    bool RemoveRecord();
    // Re-creates the record with another maximum, keeping rows and column types.
    bool SetMaxRows(int maxRows);
    bool SetSave(bool save);

    bool Exists();  // FindPubRecord
    int FindRowByName(const char16_t* name);  // column 0; -1 when absent

    int Rows();     // -1 when the record is missing
    int Cols();     // -1 when the record is missing
    int MaxRows();  // -1 when the record is missing
    int ColumnType(int col);  // VT_NONE when out of range
    bool SetColumnType(int col, int type);
    void SetColumnTypes(std::span<const int> types);  // column 0, 1, ... in turn

    int CellInt(int row, int col);
    float CellFloat(int row, int col);
    std::string CellString(int row, int col);
    std::u16string CellWideString(int row, int col);
    ObjectId CellObject(int row, int col);
    // The kernel's own text, never null: valid until the next call on the kernel.
    const char* CellText(int row, int col);
    const char16_t* CellWideText(int row, int col);

    // Appends the row's cells by column type; false (nothing appended) when row is out of range.
    bool CopyRowToList(int row, IVarList& list);

    // REQUIRES: the list's lock is held. Writes by the column's type, converting
    // the value; false for other column types.
    bool SetCell(int row, int col, int value);
    bool SetCell(int row, int col, const char* value);
    bool SetCell(int row, int col, const char16_t* value);
    // REQUIRES: the list's lock is held. Writes a value of the column's own type as is.
    bool SetCellInt(int row, int col, int value);
    bool SetCellFloat(int row, int col, float value);
    bool SetCellString(int row, int col, const char* value);
    bool SetCellWideString(int row, int col, const char16_t* value);

    // REQUIRES: the list's lock is held. Row -1 appends; the new index, negative on failure.
    int AddRow(int row, const IVarList& values);
    // REQUIRES: the list's lock is held.
    bool SetRow(int row, const IVarList& values);
    // REQUIRES: the list's lock is held. A row of default values before row (row == Rows() appends).
    bool InsertDefaultRow(int row);
    // REQUIRES: the list's lock is held.
    bool RemoveRow(int row);
    // REQUIRES: the list's lock is held.
    bool Clear();

    IKernel* Kernel() const noexcept { return kernel_; }
    int PubIndex() const noexcept { return pubIndex_; }
    const char* RecordName() const noexcept { return recordName_; }
    const char* LockName() const noexcept { return lockName_; }

private:
    void EnsureLockProperty();

    IKernel* kernel_;
    int pubIndex_ = -1;
    const char* recordName_;    // the caller's text; handles live inside one call
    const char* lockName_;      // points into lockInline_ or lockHeap_
    char lockInline_[64];
    std::string lockHeap_;
};

// Holds a record's lock for a scope: released on every path, bad_alloc included.
class PubRecordLock {
public:
    explicit PubRecordLock(PubRecordHandle& handle) : handle_(handle) { handle_.Lock(); }
    ~PubRecordLock() { handle_.Unlock(); }
    PubRecordLock(const PubRecordLock&) = delete;
    PubRecordLock& operator=(const PubRecordLock&) = delete;

private:
    PubRecordHandle& handle_;
};
