#include "MemoryPubDataStore.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include "Utility/CVarList.h"

#include "ListLockFence.h"
#include "TextMap.h"
#include "TypedTable.h"

struct MemoryPubDataStore::Property {
    int type = VT_INT;
    int value = 0;
    bool save = true;
    std::uint64_t failures = 0;
    ListLockFence fence;  // used when the property is a list lock
};

struct MemoryPubDataStore::Space {
    std::u16string name;
    int flag = 0;
    TextMap<std::string, Property> properties;
    TextMap<std::string, TypedTable> records;
    // The record found last: leaderboards hit one record many times in a row.
    std::string_view lastName;
    TypedTable* lastRecord = nullptr;
};

struct MemoryPubDataStore::Impl {
    // Recursive: the release hook runs under it and may call any operation.
    mutable std::recursive_mutex mutex;
    std::vector<std::unique_ptr<Space>> spaces;
    TextMap<std::u16string, int> byName;
    ReleaseHook releaseHook;
    GrantHook grantHook;
    bool inHook = false;
};

using Guard = std::lock_guard<std::recursive_mutex>;

MemoryPubDataStore::MemoryPubDataStore() : impl_(std::make_unique<Impl>()) {}
MemoryPubDataStore::~MemoryPubDataStore() = default;

void MemoryPubDataStore::RefuseAt(std::string_view op, int index, std::string_view what, std::string_view why) const {
    const bool known = index >= 0 && index < static_cast<int>(impl_->spaces.size());
    Refuse(op, known ? std::u16string_view(impl_->spaces[static_cast<std::size_t>(index)]->name) : u"", index, what,
           why);
}

MemoryPubDataStore::Space* MemoryPubDataStore::SpaceAt(int index, std::string_view op, std::string_view what,
                                                       bool diagnose) const {
    if (index < 0 || index >= static_cast<int>(impl_->spaces.size())) {
        if (diagnose) RefuseAt(op, index, what, "no public data space of that index");
        return nullptr;
    }
    return impl_->spaces[static_cast<std::size_t>(index)].get();
}

TypedTable* MemoryPubDataStore::RecordAt(int index, std::string_view rec, std::string_view op, bool diagnose) const {
    Space* space = SpaceAt(index, op, rec, diagnose);
    if (space == nullptr) return nullptr;
    if (space->lastRecord != nullptr && space->lastName == rec) return space->lastRecord;
    auto it = space->records.find(rec);
    if (it == space->records.end()) {
        if (diagnose) RefuseAt(op, index, rec, "no such record");
        return nullptr;
    }
    space->lastName = it->first;  // nodes stay put until erased
    space->lastRecord = &it->second;
    return &it->second;
}

MemoryPubDataStore::Property* MemoryPubDataStore::PropertyAt(int index, std::string_view name, std::string_view op,
                                                             bool diagnose) const {
    Space* space = SpaceAt(index, op, name, diagnose);
    if (space == nullptr) return nullptr;
    auto it = space->properties.find(name);
    if (it == space->properties.end()) {
        if (diagnose) RefuseAt(op, index, name, "no such property");
        return nullptr;
    }
    return &it->second;
}

HostValue* MemoryPubDataStore::CellAt(int index, std::string_view rec, int row, int col, int type,
                                      std::string_view op) const {
    TypedTable* table = RecordAt(index, rec, op, true);
    if (table == nullptr) return nullptr;
    std::string why;
    HostValue* cell = table->Cell(row, col, type, why);
    if (cell == nullptr) RefuseAt(op, index, rec, why);
    return cell;
}

bool MemoryPubDataStore::Fences(int index, std::string_view rec, std::string_view op) const {
    const int caller = Caller();
    if (caller == 0) return false;
    Space* space = SpaceAt(index, op, rec, false);
    if (space == nullptr) return false;
    thread_local std::string lock;
    lock.assign(rec).append("PubLock");
    const auto it = space->properties.find(std::string_view(lock));
    if (it == space->properties.end()) return false;
    const std::string why = it->second.fence.WriteRefusal(caller, it->second.value, lock);
    if (why.empty()) return false;
    RefuseAt(op, index, rec, why);
    return true;
}

TypedTable* MemoryPubDataStore::WritableAt(int index, std::string_view rec, std::string_view op) const {
    return Fences(index, rec, op) ? nullptr : RecordAt(index, rec, op, true);
}

// ---------------------------------------------------------------- spaces

int MemoryPubDataStore::SpaceIndex(std::u16string_view name) const {
    const Guard lock(impl_->mutex);
    auto it = impl_->byName.find(name);
    return it == impl_->byName.end() ? -1 : it->second;
}

bool MemoryPubDataStore::AddSpace(std::u16string_view name, int flag) {
    const Guard lock(impl_->mutex);
    if (name.empty()) {
        Diagnostics().Add("AddPubData: empty name");
        return false;
    }
    if (impl_->byName.find(name) != impl_->byName.end()) return false;
    auto space = std::make_unique<Space>();
    space->name.assign(name);
    space->flag = flag;
    impl_->byName.emplace(space->name, static_cast<int>(impl_->spaces.size()));
    impl_->spaces.push_back(std::move(space));
    return true;
}

int MemoryPubDataStore::SpaceCount() const {
    const Guard lock(impl_->mutex);
    return static_cast<int>(impl_->spaces.size());
}

// ---------------------------------------------------------------- properties

bool MemoryPubDataStore::FindProperty(int index, std::string_view name) const {
    const Guard lock(impl_->mutex);
    return PropertyAt(index, name, "FindPubProperty", false) != nullptr;
}

bool MemoryPubDataStore::AddProperty(int index, std::string_view name, int type) {
    const Guard lock(impl_->mutex);
    Space* space = SpaceAt(index, "AddPubProperty", name, true);
    if (space == nullptr) return false;
    if (name.empty() || type <= VT_NONE || type > VT_INT64) {
        RefuseAt("AddPubProperty", index, name, "empty name or bad type " + std::to_string(type));
        return false;
    }
    if (space->properties.find(name) != space->properties.end()) return false;
    Property p;
    p.type = type;
    space->properties.emplace(std::string(name), p);
    return true;
}

bool MemoryPubDataStore::SetPropertySave(int index, std::string_view name, bool save) {
    const Guard lock(impl_->mutex);
    Property* p = PropertyAt(index, name, "SetPubPropertySave", true);
    if (p == nullptr) return false;
    p->save = save;
    return true;
}

bool MemoryPubDataStore::PropertySave(int index, std::string_view name) const {
    const Guard lock(impl_->mutex);
    const Property* p = PropertyAt(index, name, "PropertySave", false);
    return p != nullptr && p->save;
}

bool MemoryPubDataStore::SetPropertyInt(int index, std::string_view name, int value) {
    const Guard lock(impl_->mutex);
    Property* p = PropertyAt(index, name, "SetPubPropertyInt", true);
    if (p == nullptr) return false;
    if (p->type != VT_INT) {
        RefuseAt("SetPubPropertyInt", index, name, "property is not an int");
        return false;
    }
    p->value = value;
    p->fence.Set();
    return true;
}

int MemoryPubDataStore::PropertyInt(int index, std::string_view name) const {
    const Guard lock(impl_->mutex);
    const Property* p = PropertyAt(index, name, "PropertyInt", false);
    return p != nullptr ? p->value : 0;
}

bool MemoryPubDataStore::CompareSetPropertyInt(int index, std::string_view name, int expected, int desired) {
    const Guard lock(impl_->mutex);
    Property* p = PropertyAt(index, name, "CompareSetPubPropertyInt", true);
    if (p == nullptr) return false;
    if (p->type != VT_INT) {
        RefuseAt("CompareSetPubPropertyInt", index, name, "property is not an int");
        return false;
    }
    if (p->value != expected) {
        ++p->failures;
        return false;
    }
    const bool listLock = !GuardedRecord(name).empty();
    if (listLock && expected == 1 && desired == 0) {
        const std::string why = p->fence.ReleaseRefusal(Caller(), p->value, name);
        if (!why.empty()) {
            RefuseAt("CompareSetPubPropertyInt", index, name, why);
            return false;
        }
    }
    p->value = desired;
    if (listLock) p->fence.Granted(Caller(), expected, desired);
    if (impl_->inHook) return true;
    struct HookScope {
        bool& flag;
        explicit HookScope(bool& f) : flag(f) { flag = true; }
        ~HookScope() { flag = false; }
    } scope(impl_->inHook);
    if (expected == 1 && desired == 0 && impl_->releaseHook) impl_->releaseHook(*this, index, name);
    if (expected != desired && impl_->grantHook) impl_->grantHook(*this, index, name, expected, desired);
    return true;
}

std::uint64_t MemoryPubDataStore::CompareSetFailures(int index, std::string_view name) const {
    const Guard lock(impl_->mutex);
    const Property* p = PropertyAt(index, name, "CompareSetFailures", false);
    return p != nullptr ? p->failures : 0;
}

std::uint64_t MemoryPubDataStore::CompareSetFailuresTotal() const {
    const Guard lock(impl_->mutex);
    std::uint64_t total = 0;
    for (const auto& space : impl_->spaces)
        for (const auto& [name, p] : space->properties) total += p.failures;
    return total;
}

// ---------------------------------------------------------------- list locks

PubDataStore::ListLockState MemoryPubDataStore::ListLock(int index, std::string_view lock) const {
    const Guard guard(impl_->mutex);
    const Property* p = PropertyAt(index, lock, "ListLock", false);
    if (p == nullptr) return {};
    return ListLockState{p->value, p->fence.Holder(), p->fence.Generation()};
}

// Every record is sent: versions matter only where the record is a round trip away.
PubDataStore::ListTake MemoryPubDataStore::TakeList(int index, std::string_view lock, int expected,
                                                    std::uint64_t /*knownVersion*/) {
    const Guard guard(impl_->mutex);
    ListTake take;
    take.granted = CompareSetPropertyInt(index, lock, expected, 1);
    if (!take.granted) return take;
    const Space& space = *impl_->spaces[static_cast<std::size_t>(index)];
    take.generation = PropertyAt(index, lock, "TakeList", false)->fence.Generation();
    take.space = space.name;
    take.sent = true;
    take.record = Snapshot(space.name, GuardedRecord(lock));
    const Property* claim = PropertyAt(index, ClaimOf(lock), "TakeList", false);
    take.claimExists = claim != nullptr;
    take.claim = claim != nullptr ? claim->value : 0;
    return take;
}

namespace {

// A write of a hold made again on a table: false with why when refused.
bool ReplayOn(TypedTable& table, const PubDataStore::ListOp& op, std::string& why) {
    using Kind = PubDataStore::ListOp::Kind;
    CVarList values;
    for (const HostValue& v : op.values) PushValue(values, v);
    switch (op.kind) {
        case Kind::InsertRow: return table.InsertDefaultRow(op.row, why);
        case Kind::AddRowValues: return table.InsertValues(op.row, values, why) >= 0;
        case Kind::SetRowValues: return table.SetValues(op.row, values, why);
        case Kind::RemoveRow: return table.RemoveRow(op.row, why);
        case Kind::Clear: table.Clear(); return true;
        case Kind::SetCell: {
            const HostValue& value = op.values.at(0);
            HostValue* cell = table.Cell(op.row, op.col, TypeOfValue(value), why);
            if (cell == nullptr) return false;
            if (const int* i = std::get_if<int>(&value)) {
                AssignInt(*cell, *i);
            } else {
                *cell = value;
            }
            return true;
        }
    }
    return false;
}

}  // namespace

bool MemoryPubDataStore::ApplyList(int index, std::string_view lock, std::uint64_t generation,
                                   const ListChanges* changes, std::uint64_t* version) {
    const Guard guard(impl_->mutex);
    if (version != nullptr) *version = 0;
    Property* p = PropertyAt(index, lock, "ApplyList", true);
    if (p == nullptr) return false;
    const int caller = Caller();
    if (p->value != 1 || p->fence.Holder() != caller || p->fence.Generation() != generation) {
        RefuseAt("ApplyList", index, lock,
                 ApplyRefusal(caller, generation, p->fence.TakenOverBy(caller), p->value, p->fence.Holder(),
                              p->fence.Generation(), lock));
        return false;
    }
    if (changes != nullptr) {
        Space& space = *impl_->spaces[static_cast<std::size_t>(index)];
        const std::string rec(GuardedRecord(lock));
        space.lastRecord = nullptr;
        if (changes->whole) {
            if (changes->record) {
                Restore(space.name, rec, *changes->record);
            } else {
                space.records.erase(rec);
            }
        } else {
            // All or nothing: on a copy, put in place when every write went in.
            const auto it = space.records.find(rec);
            std::string why = it == space.records.end() ? "no such record" : "";
            std::optional<TypedTable> table;
            if (it != space.records.end()) table = it->second;
            for (std::size_t i = 0; table && why.empty() && i < changes->ops.size(); ++i)
                ReplayOn(*table, changes->ops[i], why);
            if (!why.empty()) {
                RefuseAt("ApplyList", index, rec, why + "; the hold's writes are not applied");
                CompareSetPropertyInt(index, lock, 1, 0);
                return false;
            }
            it->second = std::move(*table);
        }
    }
    return CompareSetPropertyInt(index, lock, 1, 0);
}

bool MemoryPubDataStore::Replay(int index, std::string_view rec, const ListOp& op) {
    const Guard guard(impl_->mutex);
    TypedTable* table = RecordAt(index, rec, "Replay", true);
    if (table == nullptr) return false;
    std::string why;
    if (ReplayOn(*table, op, why)) return true;
    RefuseAt("Replay", index, rec, why);
    return false;
}

// ---------------------------------------------------------------- records

bool MemoryPubDataStore::FindRecord(int index, std::string_view rec) const {
    const Guard lock(impl_->mutex);
    return RecordAt(index, rec, "FindPubRecord", false) != nullptr;
}

bool MemoryPubDataStore::AddRecord(int index, std::string_view rec, int maxRows, int cols) {
    const Guard lock(impl_->mutex);
    Space* space = SpaceAt(index, "AddPubRecord", rec, true);
    if (space == nullptr || Fences(index, rec, "AddPubRecord")) return false;
    if (space->records.find(rec) != space->records.end()) return false;
    std::string why = rec.empty() ? "empty name" : TypedTable::ShapeRefusal(maxRows, cols);
    if (!why.empty()) {
        RefuseAt("AddPubRecord", index, rec, why);
        return false;
    }
    space->records.emplace(std::string(rec),
                           TypedTable(maxRows, std::vector<int>(static_cast<std::size_t>(cols), VT_NONE), true));
    return true;
}

bool MemoryPubDataStore::RemoveRecord(int index, std::string_view rec) {
    const Guard lock(impl_->mutex);
    Space* space = SpaceAt(index, "RemovePubRecord", rec, true);
    if (space == nullptr || Fences(index, rec, "RemovePubRecord")) return false;
    // Removing a missing record is a normal set-up step (rebuild on first start).
    auto it = space->records.find(rec);
    if (it == space->records.end()) return false;
    space->lastRecord = nullptr;
    space->records.erase(it);
    return true;
}

bool MemoryPubDataStore::SetRecordSave(int index, std::string_view rec, bool save) {
    const Guard lock(impl_->mutex);
    TypedTable* table = WritableAt(index, rec, "SetPubRecordSave");
    if (table == nullptr) return false;
    table->SetSave(save);
    return true;
}

bool MemoryPubDataStore::RecordSave(int index, std::string_view rec) const {
    const Guard lock(impl_->mutex);
    const TypedTable* table = RecordAt(index, rec, "RecordSave", false);
    return table != nullptr && table->Save();
}

bool MemoryPubDataStore::SetColType(int index, std::string_view rec, int col, int type) {
    const Guard lock(impl_->mutex);
    TypedTable* table = WritableAt(index, rec, "SetPubRecordColType");
    if (table == nullptr) return false;
    std::string why;
    if (table->SetColType(col, type, why)) return true;
    RefuseAt("SetPubRecordColType", index, rec, why);
    return false;
}

int MemoryPubDataStore::ColType(int index, std::string_view rec, int col) const {
    const Guard lock(impl_->mutex);
    const TypedTable* table = RecordAt(index, rec, "GetPubRecordColType", true);
    if (table == nullptr) return VT_NONE;
    if (col < 0 || col >= table->Cols()) {
        RefuseAt("GetPubRecordColType", index, rec, "column " + std::to_string(col) + " out of range");
        return VT_NONE;
    }
    return table->ColType(col);
}

int MemoryPubDataStore::MaxRows(int index, std::string_view rec) const {
    const Guard lock(impl_->mutex);
    const TypedTable* table = RecordAt(index, rec, "GetPubRecordMax", false);
    return table != nullptr ? table->MaxRows() : -1;
}

int MemoryPubDataStore::Rows(int index, std::string_view rec) const {
    const Guard lock(impl_->mutex);
    const TypedTable* table = RecordAt(index, rec, "GetPubRecordRows", false);
    return table != nullptr ? table->Rows() : -1;
}

int MemoryPubDataStore::Cols(int index, std::string_view rec) const {
    const Guard lock(impl_->mutex);
    const TypedTable* table = RecordAt(index, rec, "GetPubRecordCols", false);
    return table != nullptr ? table->Cols() : -1;
}

// ---------------------------------------------------------------- rows

bool MemoryPubDataStore::InsertRow(int index, std::string_view rec, int row) {
    const Guard lock(impl_->mutex);
    TypedTable* table = WritableAt(index, rec, "InsertPubRecordRow");
    if (table == nullptr) return false;
    std::string why;
    if (table->InsertDefaultRow(row, why)) return true;
    RefuseAt("InsertPubRecordRow", index, rec, why);
    return false;
}

int MemoryPubDataStore::AddRowValues(int index, std::string_view rec, int row, const IVarList& values) {
    const Guard lock(impl_->mutex);
    TypedTable* table = WritableAt(index, rec, "AddPubRecordRowValue");
    if (table == nullptr) return -1;
    std::string why;
    const int added = table->InsertValues(row, values, why);
    if (added < 0) RefuseAt("AddPubRecordRowValue", index, rec, why);
    return added;
}

bool MemoryPubDataStore::RemoveRow(int index, std::string_view rec, int row) {
    const Guard lock(impl_->mutex);
    TypedTable* table = WritableAt(index, rec, "RemovePubRecordRow");
    if (table == nullptr) return false;
    std::string why;
    if (table->RemoveRow(row, why)) return true;
    RefuseAt("RemovePubRecordRow", index, rec, why);
    return false;
}

bool MemoryPubDataStore::ClearRecord(int index, std::string_view rec) {
    const Guard lock(impl_->mutex);
    TypedTable* table = WritableAt(index, rec, "ClearPubRecord");
    if (table == nullptr) return false;
    table->Clear();
    return true;
}

int MemoryPubDataStore::FindWideStr(int index, std::string_view rec, int col, std::u16string_view value) const {
    const Guard lock(impl_->mutex);
    const TypedTable* table = RecordAt(index, rec, "FindPubRecordWideStr", true);
    if (table == nullptr) return -1;
    std::string why;
    const int row = table->FindWideStr(col, value, why);
    if (!why.empty()) RefuseAt("FindPubRecordWideStr", index, rec, why);
    return row;
}

bool MemoryPubDataStore::SetRowValues(int index, std::string_view rec, int row, const IVarList& values) {
    const Guard lock(impl_->mutex);
    TypedTable* table = WritableAt(index, rec, "SetPubRecordRowValue");
    if (table == nullptr) return false;
    std::string why;
    if (table->SetValues(row, values, why)) return true;
    RefuseAt("SetPubRecordRowValue", index, rec, why);
    return false;
}

// ---------------------------------------------------------------- cells

bool MemoryPubDataStore::SetInt(int index, std::string_view rec, int row, int col, int value) {
    const Guard lock(impl_->mutex);
    if (Fences(index, rec, "SetPubRecordInt")) return false;
    HostValue* cell = CellAt(index, rec, row, col, VT_INT, "SetPubRecordInt");
    if (cell == nullptr) return false;
    AssignInt(*cell, value);
    return true;
}

bool MemoryPubDataStore::SetFloat(int index, std::string_view rec, int row, int col, float value) {
    const Guard lock(impl_->mutex);
    if (Fences(index, rec, "SetPubRecordFloat")) return false;
    HostValue* cell = CellAt(index, rec, row, col, VT_FLOAT, "SetPubRecordFloat");
    if (cell == nullptr) return false;
    *cell = value;
    return true;
}

bool MemoryPubDataStore::SetString(int index, std::string_view rec, int row, int col, std::string_view value) {
    const Guard lock(impl_->mutex);
    if (Fences(index, rec, "SetPubRecordString")) return false;
    HostValue* cell = CellAt(index, rec, row, col, VT_STRING, "SetPubRecordString");
    if (cell == nullptr) return false;
    std::get<std::string>(*cell).assign(value);
    return true;
}

bool MemoryPubDataStore::SetWideStr(int index, std::string_view rec, int row, int col, std::u16string_view value) {
    const Guard lock(impl_->mutex);
    if (Fences(index, rec, "SetPubRecordWideStr")) return false;
    HostValue* cell = CellAt(index, rec, row, col, VT_WIDESTR, "SetPubRecordWideStr");
    if (cell == nullptr) return false;
    std::get<std::u16string>(*cell).assign(value);
    return true;
}

int MemoryPubDataStore::QueryInt(int index, std::string_view rec, int row, int col) const {
    const Guard lock(impl_->mutex);
    return IntOf(CellAt(index, rec, row, col, VT_INT, "QueryPubRecordInt"));
}

float MemoryPubDataStore::QueryFloat(int index, std::string_view rec, int row, int col) const {
    const Guard lock(impl_->mutex);
    return FloatOf(CellAt(index, rec, row, col, VT_FLOAT, "QueryPubRecordFloat"));
}

bool MemoryPubDataStore::QueryString(int index, std::string_view rec, int row, int col, std::string& out) const {
    const Guard lock(impl_->mutex);
    const std::string* text = StringOf(CellAt(index, rec, row, col, VT_STRING, "QueryPubRecordString"));
    if (text == nullptr) {
        out.clear();
        return false;
    }
    out = *text;
    return true;
}

bool MemoryPubDataStore::QueryWideStr(int index, std::string_view rec, int row, int col, std::u16string& out) const {
    const Guard lock(impl_->mutex);
    const std::u16string* text = WideOf(CellAt(index, rec, row, col, VT_WIDESTR, "QueryPubRecordWideStr"));
    if (text == nullptr) {
        out.clear();
        return false;
    }
    out = *text;
    return true;
}

ObjectId MemoryPubDataStore::QueryObject(int index, std::string_view rec, int row, int col) const {
    const Guard lock(impl_->mutex);
    return ObjectOf(CellAt(index, rec, row, col, VT_OBJECT, "QueryPubRecordObject"));
}

// ---------------------------------------------------------------- whole records

std::optional<PubDataStore::RecordSnapshot> MemoryPubDataStore::Snapshot(std::u16string_view space,
                                                                         std::string_view rec) const {
    const Guard lock(impl_->mutex);
    auto it = impl_->byName.find(space);
    if (it == impl_->byName.end()) return std::nullopt;
    const Space& s = *impl_->spaces[static_cast<std::size_t>(it->second)];
    auto r = s.records.find(rec);
    if (r == s.records.end()) return std::nullopt;
    return RecordSnapshot{r->second.MaxRows(), r->second.Save(), r->second.ColTypes(), r->second.RowValues()};
}

bool MemoryPubDataStore::Seed(std::u16string_view space, std::string_view rec, int maxRows,
                              const std::vector<int>& colTypes, const std::vector<std::vector<HostValue>>& rows) {
    const Guard lock(impl_->mutex);
    if (!SeedFits(maxRows, colTypes, rows)) return false;
    AddSpace(space, 1);
    Space& s = *impl_->spaces[static_cast<std::size_t>(impl_->byName.find(space)->second)];
    TypedTable table(maxRows, colTypes, true);
    table.Assign(rows);
    s.lastRecord = nullptr;
    s.records.insert_or_assign(std::string(rec), std::move(table));
    return true;
}

void MemoryPubDataStore::Restore(std::u16string_view space, std::string_view rec, const RecordSnapshot& snapshot) {
    const Guard lock(impl_->mutex);
    AddSpace(space, 1);
    Space& s = *impl_->spaces[static_cast<std::size_t>(impl_->byName.find(space)->second)];
    TypedTable table(snapshot.maxRows, snapshot.colTypes, snapshot.save);
    table.Assign(snapshot.rows);
    s.lastRecord = nullptr;
    s.records.insert_or_assign(std::string(rec), std::move(table));
}

std::vector<PubDataStore::RecordInfo> MemoryPubDataStore::Records() const {
    const Guard lock(impl_->mutex);
    std::vector<RecordInfo> out;
    for (const auto& space : impl_->spaces) {
        const std::size_t first = out.size();
        for (const auto& [name, table] : space->records)
            out.push_back(RecordInfo{space->name, name, table.Rows(), table.Cols(), table.MaxRows()});
        std::sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(),
                  [](const RecordInfo& a, const RecordInfo& b) { return a.record < b.record; });
    }
    return out;
}

std::unique_lock<std::recursive_mutex> MemoryPubDataStore::Freeze() const {
    return std::unique_lock<std::recursive_mutex>(impl_->mutex);
}

bool MemoryPubDataStore::SetReleaseHook(ReleaseHook hook) {
    const Guard lock(impl_->mutex);
    impl_->releaseHook = std::move(hook);
    return true;
}

bool MemoryPubDataStore::SetGrantHook(GrantHook hook) {
    const Guard lock(impl_->mutex);
    impl_->grantHook = std::move(hook);
    return true;
}
