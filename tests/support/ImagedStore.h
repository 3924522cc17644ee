#pragma once
// The store the contract suite runs against "as the image": every call on a
// record is made inside a hold of its own through HeldListStore, so it is
// answered by the hold's image (taken with TakeList) and reaches the store
// below through ApplyList. Calls on spaces and properties go to the store
// below; refusals are filed here, as any store's.
#include <memory>
#include <mutex>
#include <string>

#include "host/HeldListStore.h"

class ImagedStore final : public PubDataStore {
public:
    explicit ImagedStore(std::unique_ptr<PubDataStore> below) : below_(std::move(below)), held_(*below_) {}

private:
    // The store below's refusals are this store's.
    template <class Call>
    auto Plain(Call call) const {
        const std::lock_guard<std::recursive_mutex> guard(mutex_);
        auto result = call();
        for (std::string& line : below_->Diagnostics().Lines()) File(std::move(line));
        below_->Diagnostics().Clear();
        return result;
    }
    // Inside a hold of the record's lock (made when missing), when its space exists.
    template <class Call>
    auto Held(int index, std::string_view rec, Call call) const {
        return Plain([&] {
            const std::string lock = std::string(rec) + "PubLock";
            const bool space = index >= 0 && index < below_->SpaceCount() && !rec.empty();
            if (space && !below_->FindProperty(index, lock)) below_->AddProperty(index, lock, VT_INT);
            const bool held = space && held_.CompareSetPropertyInt(index, lock, 0, 1);
            auto result = call(held ? static_cast<PubDataStore&>(held_) : *below_);
            if (held) held_.CompareSetPropertyInt(index, lock, 1, 0);
            return result;
        });
    }

public:
    int SpaceIndex(std::u16string_view name) const override {
        return Plain([&] { return below_->SpaceIndex(name); });
    }
    bool AddSpace(std::u16string_view name, int flag) override {
        return Plain([&] { return below_->AddSpace(name, flag); });
    }
    int SpaceCount() const override {
        return Plain([&] { return below_->SpaceCount(); });
    }

    bool FindProperty(int i, std::string_view n) const override {
        return Plain([&] { return below_->FindProperty(i, n); });
    }
    bool AddProperty(int i, std::string_view n, int t) override {
        return Plain([&] { return below_->AddProperty(i, n, t); });
    }
    bool SetPropertySave(int i, std::string_view n, bool s) override {
        return Plain([&] { return below_->SetPropertySave(i, n, s); });
    }
    bool PropertySave(int i, std::string_view n) const override {
        return Plain([&] { return below_->PropertySave(i, n); });
    }
    bool SetPropertyInt(int i, std::string_view n, int v) override {
        return Plain([&] { return below_->SetPropertyInt(i, n, v); });
    }
    int PropertyInt(int i, std::string_view n) const override {
        return Plain([&] { return below_->PropertyInt(i, n); });
    }
    bool CompareSetPropertyInt(int i, std::string_view n, int e, int d) override {
        return Plain([&] { return below_->CompareSetPropertyInt(i, n, e, d); });
    }
    std::uint64_t CompareSetFailures(int i, std::string_view n) const override {
        return Plain([&] { return below_->CompareSetFailures(i, n); });
    }
    std::uint64_t CompareSetFailuresTotal() const override {
        return Plain([&] { return below_->CompareSetFailuresTotal(); });
    }
    ListLockState ListLock(int i, std::string_view l) const override {
        return Plain([&] { return below_->ListLock(i, l); });
    }
    ListTake TakeList(int i, std::string_view l, int e, std::uint64_t v) override {
        return Plain([&] { return below_->TakeList(i, l, e, v); });
    }
    bool ApplyList(int i, std::string_view l, std::uint64_t g, const ListChanges* c, std::uint64_t* v) override {
        return Plain([&] { return below_->ApplyList(i, l, g, c, v); });
    }

    bool FindRecord(int i, std::string_view r) const override {
        return Held(i, r, [&](auto& s) { return s.FindRecord(i, r); });
    }
    bool AddRecord(int i, std::string_view r, int m, int c) override {
        return Held(i, r, [&](auto& s) { return s.AddRecord(i, r, m, c); });
    }
    bool RemoveRecord(int i, std::string_view r) override {
        return Held(i, r, [&](auto& s) { return s.RemoveRecord(i, r); });
    }
    bool SetRecordSave(int i, std::string_view r, bool v) override {
        return Held(i, r, [&](auto& s) { return s.SetRecordSave(i, r, v); });
    }
    bool RecordSave(int i, std::string_view r) const override {
        return Held(i, r, [&](auto& s) { return s.RecordSave(i, r); });
    }
    bool SetColType(int i, std::string_view r, int c, int t) override {
        return Held(i, r, [&](auto& s) { return s.SetColType(i, r, c, t); });
    }
    int ColType(int i, std::string_view r, int c) const override {
        return Held(i, r, [&](auto& s) { return s.ColType(i, r, c); });
    }
    int MaxRows(int i, std::string_view r) const override {
        return Held(i, r, [&](auto& s) { return s.MaxRows(i, r); });
    }
    int Rows(int i, std::string_view r) const override {
        return Held(i, r, [&](auto& s) { return s.Rows(i, r); });
    }
    int Cols(int i, std::string_view r) const override {
        return Held(i, r, [&](auto& s) { return s.Cols(i, r); });
    }
    bool InsertRow(int i, std::string_view r, int row) override {
        return Held(i, r, [&](auto& s) { return s.InsertRow(i, r, row); });
    }
    int AddRowValues(int i, std::string_view r, int row, const IVarList& v) override {
        return Held(i, r, [&](auto& s) { return s.AddRowValues(i, r, row, v); });
    }
    bool RemoveRow(int i, std::string_view r, int row) override {
        return Held(i, r, [&](auto& s) { return s.RemoveRow(i, r, row); });
    }
    bool ClearRecord(int i, std::string_view r) override {
        return Held(i, r, [&](auto& s) { return s.ClearRecord(i, r); });
    }
    int FindWideStr(int i, std::string_view r, int c, std::u16string_view v) const override {
        return Held(i, r, [&](auto& s) { return s.FindWideStr(i, r, c, v); });
    }
    bool SetRowValues(int i, std::string_view r, int row, const IVarList& v) override {
        return Held(i, r, [&](auto& s) { return s.SetRowValues(i, r, row, v); });
    }
    bool SetInt(int i, std::string_view r, int row, int c, int v) override {
        return Held(i, r, [&](auto& s) { return s.SetInt(i, r, row, c, v); });
    }
    bool SetFloat(int i, std::string_view r, int row, int c, float v) override {
        return Held(i, r, [&](auto& s) { return s.SetFloat(i, r, row, c, v); });
    }
    bool SetString(int i, std::string_view r, int row, int c, std::string_view v) override {
        return Held(i, r, [&](auto& s) { return s.SetString(i, r, row, c, v); });
    }
    bool SetWideStr(int i, std::string_view r, int row, int c, std::u16string_view v) override {
        return Held(i, r, [&](auto& s) { return s.SetWideStr(i, r, row, c, v); });
    }
    int QueryInt(int i, std::string_view r, int row, int c) const override {
        return Held(i, r, [&](auto& s) { return s.QueryInt(i, r, row, c); });
    }
    float QueryFloat(int i, std::string_view r, int row, int c) const override {
        return Held(i, r, [&](auto& s) { return s.QueryFloat(i, r, row, c); });
    }
    bool QueryString(int i, std::string_view r, int row, int c, std::string& out) const override {
        return Held(i, r, [&](auto& s) { return s.QueryString(i, r, row, c, out); });
    }
    bool QueryWideStr(int i, std::string_view r, int row, int c, std::u16string& out) const override {
        return Held(i, r, [&](auto& s) { return s.QueryWideStr(i, r, row, c, out); });
    }
    ObjectId QueryObject(int i, std::string_view r, int row, int c) const override {
        return Held(i, r, [&](auto& s) { return s.QueryObject(i, r, row, c); });
    }

    std::optional<RecordSnapshot> Snapshot(std::u16string_view space, std::string_view rec) const override {
        return Plain([&] { return below_->Snapshot(space, rec); });
    }
    bool Seed(std::u16string_view space, std::string_view rec, int maxRows, const std::vector<int>& colTypes,
              const std::vector<std::vector<HostValue>>& rows) override {
        return Plain([&] { return below_->Seed(space, rec, maxRows, colTypes, rows); });
    }
    std::vector<RecordInfo> Records() const override {
        return Plain([&] { return below_->Records(); });
    }

private:
    std::unique_ptr<PubDataStore> below_;
    mutable HeldListStore held_;
    mutable std::recursive_mutex mutex_;
};
