#pragma once
// The default public data store: everything in this process's memory, every
// operation under one store-wide mutex. It is the one store that offers the
// release hook (the hook runs with that mutex held). Tests derive faulty
// stores from it (a compare-and-set that is not atomic, a record that cannot be
// added again), to prove that the host check catches them.
#include <memory>
#include <mutex>

#include "PubDataStore.h"

class TypedTable;

class MemoryPubDataStore : public PubDataStore {
public:
    MemoryPubDataStore();
    ~MemoryPubDataStore() override;

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
    // Puts a record back exactly as another store of the contract gave it (no
    // checks: it came from a store): the space is made when missing.
    void Restore(std::u16string_view space, std::string_view rec, const RecordSnapshot& snapshot);
    // Makes a hold's write again (as ApplyList does); false, diagnosed, when refused.
    bool Replay(int index, std::string_view rec, const ListOp& op);

    // Every call of every server waits until the returned lock goes: a store that
    // does not answer for a while, for tests.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> Freeze() const;

    bool SetReleaseHook(ReleaseHook hook) override;  // always installed
    bool SetGrantHook(GrantHook hook) override;      // always installed

private:
    struct Impl;
    struct Space;
    struct Property;
    Space* SpaceAt(int index, std::string_view op, std::string_view what, bool diagnose) const;
    TypedTable* RecordAt(int index, std::string_view rec, std::string_view op, bool diagnose) const;
    Property* PropertyAt(int index, std::string_view name, std::string_view op, bool diagnose) const;
    // True, and the refusal filed, when the caller is fenced off the record (PubDataStore's contract).
    bool Fences(int index, std::string_view rec, std::string_view op) const;
    // The record for a write: missing or fenced off, null (diagnosed).
    TypedTable* WritableAt(int index, std::string_view rec, std::string_view op) const;
    // The cell when it exists and its column has the wanted type; else diagnosed.
    HostValue* CellAt(int index, std::string_view rec, int row, int col, int type, std::string_view op) const;
    void RefuseAt(std::string_view op, int index, std::string_view what, std::string_view why) const;

    std::unique_ptr<Impl> impl_;
};
