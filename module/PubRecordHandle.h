#pragma once
// One record of one public data space, reached through the kernel of the current
// call, with the record's lock: the integer property named after the record
// followed by "PubLock" (0 free, 1 held). Built on the stack, owns no host state.
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
    // Re-creates the record with another maximum, keeping rows and column types.
    bool SetMaxRows(int maxRows);

    bool Exists();  // FindPubRecord
    int FindRowByName(const char16_t* name);  // column 0; -1 when absent

    int CellInt(int row, int col);
    float CellFloat(int row, int col);
    std::string CellString(int row, int col);
    std::u16string CellWideString(int row, int col);
    ObjectId CellObject(int row, int col);

    // Writes by the column's type, converting the value; false for other column types.
    bool SetCell(int row, int col, int value);
    bool SetCell(int row, int col, const char* value);
    bool SetCell(int row, int col, const char16_t* value);

    // Appends the row's cells by column type; false (nothing appended) when row is out of range.
    bool CopyRowToList(int row, IVarList& list);

    int Rows();
    int Cols();
    bool SetColumnType(int col, int type);
    int AddRow(int row, const IVarList& values);   // row -1 appends; new index, negative on failure
    bool SetRow(int row, const IVarList& values);

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
