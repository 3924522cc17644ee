#pragma once
// The public data of a world kept in Redis, shared by server processes on any
// number of machines. Each operation is one script run (or one plain command
// where a single command does the whole operation), hence atomic for every
// process and one round trip; space indices are given by the store itself, so
// every process sees the same ones. Refusals and the diagnostic log behave as
// in MemoryPubDataStore. An operation that fails for want of the server (after
// the connection's reconnects) gives the kernel's neutral result and is written
// to the diagnostic log.
//
// It offers no release hook: nothing of this process runs inside the server.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PubDataStore.h"
#include "RedisConnection.h"
#include "RedisWorldSchema.h"

class RedisPubDataStore final : public PubDataStore {
public:
    // Connects, authenticates and loads the scripts; null with one line naming
    // the address and the cause (never the password) when it cannot. The
    // connection names itself "vogame:PREFIX:ROLE" (role: "server3", say;
    // "pidN" when empty), which CLIENT LIST shows an operator. The breaker's
    // opening and closing and a lost world go to the diagnostic log.
    static std::unique_ptr<RedisPubDataStore> Open(const RedisAddress& address, std::string& error,
                                                   std::string_view role = {});
    ~RedisPubDataStore() override;

    // Removes every key of this world's prefix and nothing else (a fresh start).
    bool RemoveWorld(std::string& error);
    const RedisAddress& Address() const noexcept { return connection_.Address(); }
    // Round trips by operation, reconnects and calls that failed, for reports.
    std::map<std::string, RedisTrips, std::less<>> TripsByOperation() const { return connection_.TripsByOperation(); }
    std::uint64_t Reconnects() const { return connection_.Reconnects(); }
    std::uint64_t RoundTrips() const noexcept { return connection_.RoundTrips(); }
    std::uint64_t FailedCalls() const { return connection_.FailedCalls(); }
    // Reconnects that found the world gone (a restart without persistence), redirects followed, the breaker.
    std::uint64_t WorldsLost() const { return connection_.WorldsLost(); }
    std::uint64_t Redirects() const { return connection_.Redirects(); }
    bool CircuitOpen() const { return connection_.CircuitOpen(); }
    void DropConnectionForTest() { connection_.DropForTest(); }
    void FailCallsForTest(bool fail) { connection_.FailForTest(fail); }
    // Compare-and-sets of this connection that took a property from 1 to 0 (a
    // list's lock given back after a rewrite), by property. Failed
    // compare-and-sets (CompareSetFailures) are this connection's too.
    std::map<std::string, std::uint64_t, std::less<>> Releases() const;
    std::map<std::string, std::uint64_t, std::less<>> Failures() const;  // failed compare-and-sets by property

    int SpaceIndex(std::u16string_view name) const override;
    bool AddSpace(std::u16string_view name, int flag) override;
    int SpaceCount() const override;

    bool FindProperty(int index, std::string_view name) const override;
    bool AddProperty(int index, std::string_view name, int type) override;
    bool SetPropertySave(int index, std::string_view name, bool save) override;
    bool PropertySave(int index, std::string_view name) const override;
    bool SetPropertyInt(int index, std::string_view name, int value) override;
    int PropertyInt(int index, std::string_view name) const override;
    bool CompareSetPropertyInt(int index, std::string_view name, int expected, int desired) override;
    std::uint64_t CompareSetFailures(int index, std::string_view name) const override;
    std::uint64_t CompareSetFailuresTotal() const override;

    ListLockState ListLock(int index, std::string_view lock) const override;
    bool WantsListImages() const noexcept override { return true; }
    ListTake TakeList(int index, std::string_view lock, int expected, std::uint64_t knownVersion) override;
    bool ApplyList(int index, std::string_view lock, std::uint64_t generation, const ListChanges* changes,
                   std::uint64_t* version) override;

    bool FindRecord(int index, std::string_view rec) const override;
    bool AddRecord(int index, std::string_view rec, int maxRows, int cols) override;
    bool RemoveRecord(int index, std::string_view rec) override;
    bool SetRecordSave(int index, std::string_view rec, bool save) override;
    bool RecordSave(int index, std::string_view rec) const override;
    bool SetColType(int index, std::string_view rec, int col, int type) override;
    int ColType(int index, std::string_view rec, int col) const override;
    int MaxRows(int index, std::string_view rec) const override;
    int Rows(int index, std::string_view rec) const override;
    int Cols(int index, std::string_view rec) const override;

    bool InsertRow(int index, std::string_view rec, int row) override;
    int AddRowValues(int index, std::string_view rec, int row, const IVarList& values) override;
    bool RemoveRow(int index, std::string_view rec, int row) override;
    bool ClearRecord(int index, std::string_view rec) override;
    int FindWideStr(int index, std::string_view rec, int col, std::u16string_view value) const override;
    bool SetRowValues(int index, std::string_view rec, int row, const IVarList& values) override;

    bool SetInt(int index, std::string_view rec, int row, int col, int value) override;
    bool SetFloat(int index, std::string_view rec, int row, int col, float value) override;
    bool SetString(int index, std::string_view rec, int row, int col, std::string_view value) override;
    bool SetWideStr(int index, std::string_view rec, int row, int col, std::u16string_view value) override;
    int QueryInt(int index, std::string_view rec, int row, int col) const override;
    float QueryFloat(int index, std::string_view rec, int row, int col) const override;
    bool QueryString(int index, std::string_view rec, int row, int col, std::string& out) const override;
    bool QueryWideStr(int index, std::string_view rec, int row, int col, std::u16string& out) const override;
    ObjectId QueryObject(int index, std::string_view rec, int row, int col) const override;

    std::optional<RecordSnapshot> Snapshot(std::u16string_view space, std::string_view rec) const override;
    bool Seed(std::u16string_view space, std::string_view rec, int maxRows, const std::vector<int>& colTypes,
              const std::vector<std::vector<HostValue>>& rows) override;
    std::vector<RecordInfo> Records() const override;

private:
    explicit RedisPubDataStore(const RedisAddress& address);

    enum class Status { Done, Quiet, Refused, Failed };
    struct Outcome {
        Status status = Status::Failed;
        RedisReplyPtr reply;  // the script's array (Done and Quiet)
        long long Value(std::size_t i = 1) const;
    };
    // Runs a script; files a refusal as "<op> <space>/<what>: <why>" and a failure
    // as "<op> not done: <cause>".
    Outcome Exec(std::string_view op, RedisScript script, int index, std::string_view what,
                 const std::vector<std::string_view>& args, const std::vector<std::string_view>& keys = {}) const;
    // A plain command; null (filed) on failure.
    RedisReplyPtr Plain(std::string_view op, const std::vector<std::string_view>& argv) const;
    std::string Key(int index, std::string_view kind, std::string_view name) const;
    bool SetCell(std::string_view op, int index, std::string_view rec, int row, int col, const HostValue& value);
    HostValue QueryCell(std::string_view op, int index, std::string_view rec, int row, int col, int type) const;
    bool RowCall(std::string_view op, RedisScript script, int index, std::string_view rec, int row,
                 const IVarList& values, long long& value);

    // A failed compare-and-set writes nothing in the store, so each connection
    // counts its own; and a lock's release is counted on the way out.
    void CountCompareSet(std::string_view name, bool granted, int expected, int desired);

    // After the connection found the world lost: its spaces and properties made again, once per loss.
    void RestoreIfLost() const;

    mutable RedisConnection connection_;
    mutable RedisWorldSchema schema_;
    mutable std::atomic<std::uint64_t> restoredFor_{0};
    mutable std::mutex countsMutex_;
    std::map<std::string, std::uint64_t, std::less<>> releases_;
    std::map<std::string, std::uint64_t, std::less<>> failures_;
    std::uint64_t failuresTotal_ = 0;
};
