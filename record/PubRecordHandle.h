#pragma once
// One record of one public data space, reached through the kernel of the current
// call, with the record's lock (ListLock.h). Built on the stack, owns no host state.
// Every public-record operation the leaderboards use goes through here.
//
// The rows of a shared list are rewritten only under its lock: operations marked
// REQUIRES say so. The set-up of a list (creation, migration, resize, rebuild)
// runs under it too. The prize-time record is written only under the win-streak
// list's lock.
#include <cstdint>
#include <span>
#include <string>

#include "../module/IVarList.h"
#include "../module/IKernel.h"
#include "ListLock.h"

class PubRecordHandle {
public:
    // Resolves the space's index, creating the space first when it is missing.
    PubRecordHandle(IKernel* kernel, const char16_t* pubName, const char* recordName);
    PubRecordHandle(const PubRecordHandle&) = delete;
    PubRecordHandle& operator=(const PubRecordHandle&) = delete;

    using LockOutcome = ListLock::Outcome;
    // The list's lock (ListLock.h): taken and given back through the handle.
    LockOutcome Lock() { return lock_.Lock(); }
    void Unlock() noexcept { lock_.Unlock(); }
    // Whether this handle's hold was found taken over: its writes are refused
    // from then on (see the write operations below).
    bool HoldLost() const noexcept { return lock_.HoldLost(); }
    // This record's writes go under another record's lock (the prize-time record
    // under the win-streak list's): each one first checks that hold, as the
    // list's own writes do. guard must outlive this handle.
    void WriteUnderLockOf(PubRecordHandle& guard) noexcept { guard_ = &guard.lock_; }

    // Adds the record; the lock property is made (free) when missing. A lock that
    // exists is left as it is: record set-up runs under the lock, which its holder
    // gives back.
    bool CreateRecord(int maxRows, int cols);
    // Adds the record and leaves the lock property alone.
    bool AddRecord(int maxRows, int cols);
    bool RemoveRecord();
    bool SetSave(bool save);

    bool Exists();                            // FindPubRecord
    int FindRowByName(const char16_t* name);  // column 0; -1 when absent

    int Rows();               // -1 when the record is missing
    int Cols();               // -1 when the record is missing
    int MaxRows();            // -1 when the record is missing
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

    // Every write below first checks, while this handle holds the lock, that the
    // hold is still its own (the claim still holds its generation). When it was
    // taken over, one line goes to the kernel's log, and that write and every
    // later one of the hold fail (false or -1) without reaching the kernel: the
    // rewrite is given up, and the server that took over has the list.

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
    const char* LockName() const noexcept { return lock_.Name(); }

private:
    IKernel* kernel_;
    const char* recordName_;  // the caller's text; handles live inside one call
    bool MayWrite() noexcept { return (guard_ != nullptr ? *guard_ : lock_).MayWrite(); }

    int pubIndex_;
    ListLock lock_;
    ListLock* guard_ = nullptr;  // another handle's lock this one writes under
};

// Holds a record's lock for a scope: released on every path, bad_alloc included.
class PubRecordLock {
public:
    explicit PubRecordLock(PubRecordHandle& handle) : handle_(handle), outcome_(handle_.Lock()) {}
    ~PubRecordLock() { handle_.Unlock(); }
    PubRecordLock(const PubRecordLock&) = delete;
    PubRecordLock& operator=(const PubRecordLock&) = delete;

    bool TookOver() const noexcept { return outcome_ == PubRecordHandle::LockOutcome::TakenOver; }

private:
    PubRecordHandle& handle_;
    PubRecordHandle::LockOutcome outcome_;
};
