#pragma once
// One record of one public data space, reached through the kernel of the current
// call, with the record's lock: the integer property named after the record
// followed by "PubLock" (0 free, 1 held). Built on the stack, owns no host state.
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

class PubRecordHandle {
public:
    // Resolves the space's index, creating the space first when it is missing.
    PubRecordHandle(IKernel* kernel, const char16_t* pubName, const char* recordName);
    PubRecordHandle(const PubRecordHandle&) = delete;
    PubRecordHandle& operator=(const PubRecordHandle&) = delete;

    enum class LockOutcome {
        Taken,      // it was free, or freed while we waited
        TakenOver,  // its holder kept it past the stale bound: taken as left by a stopped server
    };
    // Takes the lock, creating its property and the takeover claim beside it
    // (TakeoverClaim.h) when missing. While another holds it the tries back off
    // (pause, yield, then short sleeps). When this waiter has seen the hold for
    // the whole stale bound (StaleLockBound.h: the holder's time, not the
    // waiter's) with the claim unchanged, the holder is taken to have stopped:
    // the waiter claims the takeover, takes the lock over with a compare-and-set
    // from 1 to 1 (its value stays 1), writes one line naming the list and the
    // time waited to the kernel's log, counts the takeover and goes on as the
    // holder. Only one waiter takes over; a claim whose claimant has not finished
    // within a further bound is claimed past. The caller repairs the list before
    // it goes on (LockedList does).
    LockOutcome Lock();
    // Gives the lock back, and after a takeover the claim too (the lock first):
    // unless the hold was taken over, which the check before the release finds
    // (a taken-over holder gives back nothing of another's). Never allocates.
    void Unlock() noexcept;
    // Lock takeovers made by this load of the library.
    static std::uint64_t Takeovers() noexcept;
    // Whether this handle's hold was found taken over: its writes are refused
    // from then on (see the write operations below).
    bool HoldLost() const noexcept { return lost_; }

    // Adds the record; the lock property is made (free) when missing. A lock that
    // exists is left as it is: record set-up runs under the lock, which its holder
    // gives back.
    bool CreateRecord(int maxRows, int cols);
    // Adds the record and leaves the lock property alone.
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
    const char* LockName() const noexcept { return lockName_; }

private:
    void EnsureLockProperty();
    bool TryLock();
    // The claim's value now, searched from the value last seen; a claim holding
    // a value out of reach is set back to 0 (and that logged).
    int LearnClaim(int from);
    LockOutcome BeginHold(LockOutcome outcome, int generation);
    LockOutcome BeginTakenHold();
    // Before a write of the hold: whether the hold is still this handle's.
    bool MayWrite() noexcept;
    void ReportTakeover(std::int64_t waitedNs);
    void ReportLost() noexcept;

    IKernel* kernel_;
    int pubIndex_ = -1;
    const char* recordName_;    // the caller's text; handles live inside one call
    const char* lockName_;      // points into lockInline_ or lockHeap_
    char lockInline_[64];
    std::string lockHeap_;
    const char* claimName_;     // the lock's name followed by "Takeover": in claimInline_ or claimHeap_
    char claimInline_[72];
    std::string claimHeap_;
    bool holding_ = false;
    bool holdsClaim_ = false;   // a takeover: the claim is ours until Unlock
    bool lost_ = false;         // the hold was found taken over
    int generation_ = 0;        // the claim's value the hold is under
    std::int64_t boundNs_ = 0;
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
