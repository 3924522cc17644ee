#pragma once
// The public data as one server sees it over a store a round trip away
// (PubDataStore::WantsListImages): while the server holds a list's lock, the
// list is served from an image in this process, and the rewrite reaches the
// store in one step at the release.
//
// The compare-and-set that takes a list lock is the store's TakeList: one step
// that takes the lock under a new generation and hands over the list (only when
// it changed since the image was taken) and the claim beside the lock. Every
// call inside the hold on that record, on the lock or on the claim (a check
// that changes nothing) is answered from the image, an in-memory store with the
// contract's exact semantics and refusals. The release is the store's
// ApplyList: the list as the hold left it, written and the lock freed in one
// step, only while the hold is still this server's. So a rewrite costs two round
// trips, a store that fails inside the hold leaves the list as it was, and a
// hold that was taken over writes nothing. Every other call goes to the store.
//
// Space indices (never changed once given) and properties found (never
// removed) are asked of the store once. A failed take answers after a few
// holds' time (see holdNs_), so waiters ask a remote store little.
#include <memory>
#include <string>
#include <unordered_map>

#include "MemoryPubDataStore.h"
#include "PubDataStore.h"
#include "TextMap.h"

class HeldListStore final : public PubDataStore {
public:
    explicit HeldListStore(PubDataStore& backing);
    ~HeldListStore() override;

    // The server stopped as a crash would stop it: the hold is dropped, nothing
    // applied, and its lock stays held in the store until taken over.
    void Forget() noexcept;
    bool Holding() const noexcept { return held_.active; }

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
    bool SetReleaseHook(ReleaseHook hook) override;
    bool SetGrantHook(GrantHook hook) override;

private:
    struct Held {
        bool active = false;
        int index = -1;
        std::string lock, claim, record;
        std::uint64_t generation = 0;
        bool changed = false;
        ListChanges changes;  // its writes of rows; whole after a change of the record itself
    };
    bool OnRecord(int index, std::string_view rec) const noexcept;
    bool OnProperty(int index, std::string_view name) const noexcept;
    // Runs a call on the image (its space is index 0 there); its refusals go to the store's log.
    template <class Call>
    auto Image(Call call) const;
    // A write of the record itself: the record is applied whole.
    template <class Call>
    auto ImageWrite(Call call);
    // A write of rows: made again in the store, unless the record is applied whole.
    template <class Call>
    auto RowWrite(ListOp op, Call call);
    bool Take(int index, std::string_view lock, int expected);
    bool Release();

    // One list as this server last held it: its space, its record as of version
    // (0: not known to match the store) and its lock and claim.
    struct ListImage {
        std::unique_ptr<MemoryPubDataStore> store;
        std::u16string space;
        std::uint64_t version = 0;
    };

    // How long this server's holds last, on average (a hold over the store is
    // two round trips and the rewrite between): a waiter waits four of them
    // after a failed take before it answers, within these limits.
    static constexpr std::int64_t kShortestPauseNs = 250'000;
    static constexpr std::int64_t kLongestPauseNs = 1'000'000;
    std::int64_t holdNs_ = 100'000;
    std::int64_t heldSinceNs_ = 0;

    PubDataStore& backing_;
    std::unordered_map<std::string, ListImage> images_;  // by space index and lock name
    ListImage* image_ = nullptr;                         // the held list's
    Held held_;
    mutable TextMap<std::u16string, int> spaces_;
    mutable std::unordered_map<int, TextSet<std::string>> properties_;
};
