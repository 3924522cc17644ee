#pragma once
// The public data shared by every server of a world: spaces named by wide text
// and reached by index, each with integer properties and records of typed
// columns and a maximum row count. MemoryPubDataStore is the default store;
// others (one shared by processes) implement the same operations.
//
// Contract for every store:
// - Each operation is self-contained and atomic among all users of the store;
//   no caller holds a store-wide lock across operations. Space indices never
//   change once given and are the same for every user.
// - Values keep their exact types and bits; text comes back by copy.
// - Refusals give the failure result of the kernel operation (false, -1,
//   VT_NONE, a neutral value) and are written to Diagnostics(): row values whose
//   count or types do not fit the columns, a row or column out of range, a full
//   record, a shape beyond TypedTable's bounds, a missing space, record or
//   property, or a cell written or read with the wrong type. Probing calls
//   (SpaceIndex, FindProperty, FindRecord, Rows, Cols, MaxRows, AddSpace/AddRecord
//   of an existing name) never write there.
// - List locks are fenced. A list lock is an int property whose name ends in
//   "PubLock"; it guards the record of its space named by the rest of its name.
//   Calls are made on behalf of a server (CallerScope; 0 is the host itself,
//   which is never fenced). A compare-and-set that sets a list lock to 1 (from 0,
//   a take, or from 1, a takeover) makes the caller its holder under a new
//   generation, higher than every earlier one of that lock. While a server holds
//   it, a write to the guarded record or a release (1 to 0) by another server is
//   refused and filed with both servers' names. A server whose hold was taken
//   over is fenced until it takes the lock again: its writes to the record and
//   its releases are refused even after the new holder gave the lock back.
//   SetPropertyInt on a list lock sets the value and leaves no holder.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DiagnosticLog.h"
#include "HostValue.h"
#include "module/IVarList.h"

class PubDataStore {
public:
    virtual ~PubDataStore() = default;

    // The server on whose behalf this thread calls the store, for as long as the
    // scope lasts (HostKernel opens one around every public-data call).
    class CallerScope {
    public:
        explicit CallerScope(int server) noexcept;
        ~CallerScope();
        CallerScope(const CallerScope&) = delete;
        CallerScope& operator=(const CallerScope&) = delete;

    private:
        int previous_;
    };
    static int Caller() noexcept;  // 0 outside every scope

    // A whole record: its shape and rows.
    struct RecordSnapshot {
        int maxRows = 0;
        bool save = true;
        std::vector<int> colTypes;
        std::vector<std::vector<HostValue>> rows;
    };

    // --- spaces -----------------------------------------------------------------
    virtual int SpaceIndex(std::u16string_view name) const = 0;     // -1 when missing
    virtual bool AddSpace(std::u16string_view name, int flag) = 0;  // false when it exists
    virtual int SpaceCount() const = 0;

    // --- integer properties of a space --------------------------------------------
    virtual bool FindProperty(int index, std::string_view name) const = 0;
    virtual bool AddProperty(int index, std::string_view name, int type) = 0;  // value 0, save on; false when it exists
    virtual bool SetPropertySave(int index, std::string_view name, bool save) = 0;
    virtual bool PropertySave(int index, std::string_view name) const = 0;
    virtual bool SetPropertyInt(int index, std::string_view name, int value) = 0;
    virtual int PropertyInt(int index, std::string_view name) const = 0;  // 0 when missing
    // When the property holds expected: stores desired, returns true. Counts failures.
    virtual bool CompareSetPropertyInt(int index, std::string_view name, int expected, int desired) = 0;
    virtual std::uint64_t CompareSetFailures(int index, std::string_view name) const = 0;  // failed tries so far
    virtual std::uint64_t CompareSetFailuresTotal() const = 0;                             // over every property

    // --- list locks (fenced: see the contract above) -------------------------------------
    struct ListLockState {
        int value = 0;
        int holder = 0;                // the server holding it; 0 when free or set without a holder
        std::uint64_t generation = 0;  // of the last take or takeover; 0 before the first
    };
    virtual ListLockState ListLock(int index, std::string_view lock) const = 0;
    // The record a list lock guards (the lock's name without "PubLock"), or empty.
    static std::string_view GuardedRecord(std::string_view lock) noexcept;
    // The property beside a list lock through which the library claims a takeover
    // (the lock's name followed by "Takeover"): served with the list during a hold.
    static std::string ClaimOf(std::string_view lock);

    // A whole list's rewrite in two steps, for stores a round trip away: TakeList
    // is the compare-and-set of a list lock to 1 that, when granted, hands the
    // caller the guarded record and the claim beside the lock; ApplyList, at the
    // release, writes the record as the caller left it and frees the lock, all or
    // nothing, only while the caller still holds it under that generation.
    // HeldListStore serves the calls between them; stores that want that say so.
    virtual bool WantsListImages() const noexcept { return false; }
    // One write of rows in a hold, to be made again where the list is kept.
    struct ListOp {
        enum class Kind : std::uint8_t { InsertRow, AddRowValues, SetRowValues, RemoveRow, Clear, SetCell };
        Kind kind = Kind::Clear;
        int row = 0;
        int col = 0;
        std::vector<HostValue> values;  // the row's values as given (AddRowValues, SetRowValues), or the cell's
    };
    struct ListTake {
        bool granted = false;
        std::uint64_t generation = 0;
        std::u16string space;
        // The record's version; the record itself is left out when it equals the
        // version the caller already has (and is then empty here).
        std::uint64_t version = 0;
        bool sent = false;
        std::optional<RecordSnapshot> record;  // nullopt (when sent): no such record
        // Or, not sent, the holds' writes since the version the caller has, in
        // order, when the store kept them all.
        std::vector<ListOp> missed;
        bool claimExists = false;
        int claim = 0;
    };
    virtual ListTake TakeList(int index, std::string_view lock, int expected, std::uint64_t knownVersion) = 0;
    // What a hold changed: its writes of rows in order, made again on the list as
    // the hold found it (at takenVersion); or, after a change of the record itself
    // (removed, added, typed, its save flag), the record as the hold left it.
    struct ListChanges {
        std::uint64_t takenVersion = 0;
        std::vector<ListOp> ops;
        bool whole = false;
        std::optional<RecordSnapshot> record;  // when whole: nullopt, the record removed
    };
    // changes: null when the hold changed nothing. False, filed with both
    // servers' names, when the caller no longer holds the lock under that
    // generation: then nothing is written. version, when given, receives the
    // record's version after a write (0: none, or not kept).
    virtual bool ApplyList(int index, std::string_view lock, std::uint64_t generation, const ListChanges* changes,
                           std::uint64_t* version = nullptr) = 0;

    // --- records --------------------------------------------------------------------
    virtual bool FindRecord(int index, std::string_view rec) const = 0;
    // New record of cols columns (all VT_NONE until typed), save on; false when it
    // exists or its shape is refused (TypedTable::ShapeRefusal).
    virtual bool AddRecord(int index, std::string_view rec, int maxRows, int cols) = 0;
    virtual bool RemoveRecord(int index, std::string_view rec) = 0;  // false, undiagnosed, when missing
    virtual bool SetRecordSave(int index, std::string_view rec, bool save) = 0;
    virtual bool RecordSave(int index, std::string_view rec) const = 0;
    // Types a column; existing cells of the column become the type's default.
    virtual bool SetColType(int index, std::string_view rec, int col, int type) = 0;
    virtual int ColType(int index, std::string_view rec, int col) const = 0;  // VT_NONE when out of range
    virtual int MaxRows(int index, std::string_view rec) const = 0;           // -1 when missing
    virtual int Rows(int index, std::string_view rec) const = 0;              // -1 when missing
    virtual int Cols(int index, std::string_view rec) const = 0;              // -1 when missing

    // --- rows -----------------------------------------------------------------------
    virtual bool InsertRow(int index, std::string_view rec,
                           int row) = 0;  // default row before row; row == rows appends
    // Row of values before row (-1 appends); new index, -1 on refusal.
    virtual int AddRowValues(int index, std::string_view rec, int row, const IVarList& values) = 0;
    virtual bool RemoveRow(int index, std::string_view rec, int row) = 0;
    virtual bool ClearRecord(int index, std::string_view rec) = 0;
    virtual int FindWideStr(int index, std::string_view rec, int col, std::u16string_view value) const = 0;
    virtual bool SetRowValues(int index, std::string_view rec, int row, const IVarList& values) = 0;

    // --- cells ----------------------------------------------------------------------
    virtual bool SetInt(int index, std::string_view rec, int row, int col, int value) = 0;
    virtual bool SetFloat(int index, std::string_view rec, int row, int col, float value) = 0;
    virtual bool SetString(int index, std::string_view rec, int row, int col, std::string_view value) = 0;
    virtual bool SetWideStr(int index, std::string_view rec, int row, int col, std::u16string_view value) = 0;
    virtual int QueryInt(int index, std::string_view rec, int row, int col) const = 0;
    virtual float QueryFloat(int index, std::string_view rec, int row, int col) const = 0;
    // Text readers copy into out (cleared on refusal), so callers never hold a
    // pointer into the shared store.
    virtual bool QueryString(int index, std::string_view rec, int row, int col, std::string& out) const = 0;
    virtual bool QueryWideStr(int index, std::string_view rec, int row, int col, std::u16string& out) const = 0;
    virtual ObjectId QueryObject(int index, std::string_view rec, int row, int col) const = 0;

    // --- whole records, for tests, seeding and reports --------------------------------
    virtual std::optional<RecordSnapshot> Snapshot(std::u16string_view space, std::string_view rec) const = 0;
    // Creates the space when missing and (re)creates the record with these
    // columns and rows; false when a row does not fit colTypes or the shape is refused.
    virtual bool Seed(std::u16string_view space, std::string_view rec, int maxRows, const std::vector<int>& colTypes,
                      const std::vector<std::vector<HostValue>>& rows) = 0;
    // What every store checks before a seed: a shape it accepts, storable
    // column types, and rows that fit them.
    static bool SeedFits(int maxRows, const std::vector<int>& colTypes,
                         const std::vector<std::vector<HostValue>>& rows);

    struct RecordInfo {
        std::u16string space;
        std::string record;
        int rows = 0, cols = 0, maxRows = 0;
    };
    virtual std::vector<RecordInfo> Records() const = 0;  // every record of every space, by space index then name

    // Optional, for stores inside this process only: a hook called with the store
    // still locked right after a compare-and-set that took an int property from 1
    // to 0 (a record lock being released), so tests check the record exactly as
    // its holder left it. The hook may call any store operation. Returns false,
    // and installs nothing, where the store cannot offer it.
    using ReleaseHook = std::function<void(PubDataStore& store, int index, std::string_view property)>;
    virtual bool SetReleaseHook(ReleaseHook hook);
    // The same after every granted compare-and-set that changed a value, with
    // the values, so tests can act at the exact moment a lock or claim moves.
    using GrantHook =
        std::function<void(PubDataStore& store, int index, std::string_view property, int expected, int desired)>;
    virtual bool SetGrantHook(GrantHook hook);

    DiagnosticLog& Diagnostics() noexcept { return diagnostics_; }
    const DiagnosticLog& Diagnostics() const noexcept { return diagnostics_; }

protected:
    PubDataStore() = default;
    PubDataStore(const PubDataStore&) = delete;
    PubDataStore& operator=(const PubDataStore&) = delete;

    // Files a refusal as "<op> <space or #index>[/<what>]: <why>".
    void Refuse(std::string_view op, std::u16string_view space, int index, std::string_view what,
                std::string_view why) const;
    // Files a line as it is (a failure of the store itself, not a refusal).
    void File(std::string line) const { diagnostics_.Add(std::move(line)); }

private:
    mutable DiagnosticLog diagnostics_;
};
