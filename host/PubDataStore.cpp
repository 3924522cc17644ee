#include "PubDataStore.h"
#include "TextMap.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

namespace {

struct Property {
    int type = VT_INT;
    int value = 0;
    bool save = true;
    std::uint64_t failures = 0;
};

struct Record {
    int maxRows = 0;
    bool save = true;
    std::vector<int> colTypes;
    std::vector<std::vector<HostValue>> rows;
};

struct Space {
    std::u16string name;
    int flag = 0;
    TextMap<std::string, Property> properties;
    TextMap<std::string, Record> records;
    // The record found last: leaderboards hit one record many times in a row.
    std::string_view lastName;
    Record* lastRecord = nullptr;
};

std::string Narrow(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

// Stores a list value into a cell of the given type (types already checked).
HostValue CellFromList(int cellType, const IVarList& list, std::size_t i) {
    HostValue v = ValueFromList(list, i);
    if (cellType == VT_INT64 && v.index() == 1) return static_cast<std::int64_t>(std::get<int>(v));
    return v;
}

}  // namespace

struct PubDataStore::Impl {
    mutable std::recursive_mutex mutex;
    std::vector<std::unique_ptr<Space>> spaces;
    TextMap<std::u16string, int> byName;
    ReleaseHook releaseHook;
    bool inHook = false;
};

// Shorthands that keep every operation a short lock-find-act sequence.
#define STORE_LOCK std::lock_guard<std::recursive_mutex> guard_(impl_->mutex)

namespace {

struct Finder {
    std::vector<std::unique_ptr<Space>>& spaces;
    DiagnosticLog& log;

    void Refuse(const char* op, int index, std::string_view what, const std::string& why) const {
        std::string line(op);
        line += ' ';
        if (index >= 0 && index < static_cast<int>(spaces.size()))
            line += Narrow(spaces[static_cast<std::size_t>(index)]->name);
        else
            line += "#" + std::to_string(index);
        if (!what.empty()) line.append("/").append(what);
        line += ": ";
        line += why;
        log.Add(std::move(line));
    }

    Space* SpaceAt(int index, const char* op, std::string_view what, bool diagnose) const {
        if (index < 0 || index >= static_cast<int>(spaces.size())) {
            if (diagnose) Refuse(op, index, what, "no public data space of that index");
            return nullptr;
        }
        return spaces[static_cast<std::size_t>(index)].get();
    }

    Record* RecordAt(int index, std::string_view rec, const char* op, bool diagnose) const {
        Space* space = SpaceAt(index, op, rec, diagnose);
        if (space == nullptr) return nullptr;
        if (space->lastRecord != nullptr && space->lastName == rec) return space->lastRecord;
        auto it = space->records.find(rec);
        if (it == space->records.end()) {
            if (diagnose) Refuse(op, index, rec, "no such record");
            return nullptr;
        }
        space->lastName = it->first;  // nodes stay put until erased
        space->lastRecord = &it->second;
        return &it->second;
    }

    Property* PropertyAt(int index, std::string_view name, const char* op, bool diagnose) const {
        Space* space = SpaceAt(index, op, name, diagnose);
        if (space == nullptr) return nullptr;
        auto it = space->properties.find(name);
        if (it == space->properties.end()) {
            if (diagnose) Refuse(op, index, name, "no such property");
            return nullptr;
        }
        return &it->second;
    }

    // The cell at (row, col) when it exists and its column has the wanted type.
    HostValue* CellAt(int index, std::string_view rec, int row, int col, int type, const char* op) const {
        Record* r = RecordAt(index, rec, op, true);
        if (r == nullptr) return nullptr;
        if (row < 0 || row >= static_cast<int>(r->rows.size())) {
            Refuse(op, index, rec, "row " + std::to_string(row) + " out of range (rows " +
                                       std::to_string(r->rows.size()) + ")");
            return nullptr;
        }
        if (col < 0 || col >= static_cast<int>(r->colTypes.size())) {
            Refuse(op, index, rec, "column " + std::to_string(col) + " out of range (cols " +
                                       std::to_string(r->colTypes.size()) + ")");
            return nullptr;
        }
        const int colType = r->colTypes[static_cast<std::size_t>(col)];
        if (!TypeFits(colType, type)) {
            Refuse(op, index, rec, "column " + std::to_string(col) + " has type " + std::to_string(colType) +
                                       ", not " + std::to_string(type));
            return nullptr;
        }
        return &r->rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
    }

    // Checks a list of row values against the columns.
    bool RowFits(const Record& r, const IVarList& values, int index, std::string_view rec, const char* op) const {
        if (values.Size() != r.colTypes.size()) {
            Refuse(op, index, rec, std::to_string(values.Size()) + " values for " + std::to_string(r.colTypes.size()) +
                                       " columns");
            return false;
        }
        for (std::size_t i = 0; i < r.colTypes.size(); ++i) {
            if (!TypeFits(r.colTypes[i], values.TypeAt(i))) {
                Refuse(op, index, rec, "value " + std::to_string(i) + " of type " + std::to_string(values.TypeAt(i)) +
                                           " for a column of type " + std::to_string(r.colTypes[i]));
                return false;
            }
        }
        return true;
    }
};

std::vector<HostValue> DefaultRow(const Record& r) {
    std::vector<HostValue> row;
    row.reserve(r.colTypes.size());
    for (int type : r.colTypes) row.push_back(DefaultValue(type));
    return row;
}

}  // namespace

#define FIND Finder find_{impl_->spaces, diagnostics_}

PubDataStore::PubDataStore() : impl_(std::make_unique<Impl>()) {}
PubDataStore::~PubDataStore() = default;

int PubDataStore::SpaceIndex(std::u16string_view name) const {
    STORE_LOCK;
    auto it = impl_->byName.find(name);
    return it == impl_->byName.end() ? -1 : it->second;
}

bool PubDataStore::AddSpace(std::u16string_view name, int flag) {
    STORE_LOCK;
    if (name.empty()) {
        diagnostics_.Add("AddPubData: empty name");
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

int PubDataStore::SpaceCount() const {
    STORE_LOCK;
    return static_cast<int>(impl_->spaces.size());
}

bool PubDataStore::FindProperty(int index, std::string_view name) const {
    STORE_LOCK;
    FIND;
    return find_.PropertyAt(index, name, "FindPubProperty", false) != nullptr;
}

bool PubDataStore::AddProperty(int index, std::string_view name, int type) {
    STORE_LOCK;
    FIND;
    Space* space = find_.SpaceAt(index, "AddPubProperty", name, true);
    if (space == nullptr) return false;
    if (name.empty() || type <= VT_NONE || type > VT_INT64) {
        find_.Refuse("AddPubProperty", index, name, "empty name or bad type " + std::to_string(type));
        return false;
    }
    if (space->properties.find(name) != space->properties.end()) return false;
    Property p;
    p.type = type;
    space->properties.emplace(std::string(name), p);
    return true;
}

bool PubDataStore::SetPropertySave(int index, std::string_view name, bool save) {
    STORE_LOCK;
    FIND;
    Property* p = find_.PropertyAt(index, name, "SetPubPropertySave", true);
    if (p == nullptr) return false;
    p->save = save;
    return true;
}

bool PubDataStore::PropertySave(int index, std::string_view name) const {
    STORE_LOCK;
    FIND;
    const Property* p = find_.PropertyAt(index, name, "PropertySave", false);
    return p != nullptr && p->save;
}

bool PubDataStore::SetPropertyInt(int index, std::string_view name, int value) {
    STORE_LOCK;
    FIND;
    Property* p = find_.PropertyAt(index, name, "SetPubPropertyInt", true);
    if (p == nullptr) return false;
    if (p->type != VT_INT) {
        find_.Refuse("SetPubPropertyInt", index, name, "property is not an int");
        return false;
    }
    p->value = value;
    return true;
}

int PubDataStore::PropertyInt(int index, std::string_view name) const {
    STORE_LOCK;
    FIND;
    const Property* p = find_.PropertyAt(index, name, "PropertyInt", false);
    return p != nullptr ? p->value : 0;
}

bool PubDataStore::CompareSetPropertyInt(int index, std::string_view name, int expected, int desired) {
    STORE_LOCK;
    FIND;
    Property* p = find_.PropertyAt(index, name, "CompareSetPubPropertyInt", true);
    if (p == nullptr) return false;
    if (p->type != VT_INT) {
        find_.Refuse("CompareSetPubPropertyInt", index, name, "property is not an int");
        return false;
    }
    if (p->value != expected) {
        ++p->failures;
        return false;
    }
    p->value = desired;
    if (expected == 1 && desired == 0 && impl_->releaseHook && !impl_->inHook) {
        impl_->inHook = true;
        try {
            impl_->releaseHook(*this, index, name);
        } catch (...) {
            impl_->inHook = false;
            throw;
        }
        impl_->inHook = false;
    }
    return true;
}

std::uint64_t PubDataStore::CompareSetFailures(int index, std::string_view name) const {
    STORE_LOCK;
    FIND;
    const Property* p = find_.PropertyAt(index, name, "CompareSetFailures", false);
    return p != nullptr ? p->failures : 0;
}

std::uint64_t PubDataStore::CompareSetFailuresTotal() const {
    STORE_LOCK;
    std::uint64_t total = 0;
    for (const auto& space : impl_->spaces)
        for (const auto& [name, p] : space->properties) total += p.failures;
    return total;
}

bool PubDataStore::FindRecord(int index, std::string_view rec) const {
    STORE_LOCK;
    FIND;
    return find_.RecordAt(index, rec, "FindPubRecord", false) != nullptr;
}

bool PubDataStore::AddRecord(int index, std::string_view rec, int maxRows, int cols) {
    STORE_LOCK;
    FIND;
    Space* space = find_.SpaceAt(index, "AddPubRecord", rec, true);
    if (space == nullptr) return false;
    if (space->records.find(rec) != space->records.end()) return false;
    if (rec.empty() || cols < 1 || maxRows < 0) {
        find_.Refuse("AddPubRecord", index, rec,
                     "bad shape: " + std::to_string(maxRows) + " rows, " + std::to_string(cols) + " cols");
        return false;
    }
    Record r;
    r.maxRows = maxRows;
    r.colTypes.assign(static_cast<std::size_t>(cols), VT_NONE);
    space->records.emplace(std::string(rec), std::move(r));
    return true;
}

bool PubDataStore::RemoveRecord(int index, std::string_view rec) {
    STORE_LOCK;
    FIND;
    Space* space = find_.SpaceAt(index, "RemovePubRecord", rec, true);
    if (space == nullptr) return false;
    // Removing a missing record is a normal set-up step (rebuild on first start).
    auto it = space->records.find(rec);
    if (it == space->records.end()) return false;
    space->lastRecord = nullptr;
    space->records.erase(it);
    return true;
}

bool PubDataStore::SetRecordSave(int index, std::string_view rec, bool save) {
    STORE_LOCK;
    FIND;
    Record* r = find_.RecordAt(index, rec, "SetPubRecordSave", true);
    if (r == nullptr) return false;
    r->save = save;
    return true;
}

bool PubDataStore::RecordSave(int index, std::string_view rec) const {
    STORE_LOCK;
    FIND;
    const Record* r = find_.RecordAt(index, rec, "RecordSave", false);
    return r != nullptr && r->save;
}

bool PubDataStore::SetColType(int index, std::string_view rec, int col, int type) {
    STORE_LOCK;
    FIND;
    Record* r = find_.RecordAt(index, rec, "SetPubRecordColType", true);
    if (r == nullptr) return false;
    if (col < 0 || col >= static_cast<int>(r->colTypes.size()) || type <= VT_NONE || type > VT_INT64 ||
        type == VT_BYTES) {
        find_.Refuse("SetPubRecordColType", index, rec,
                     "column " + std::to_string(col) + " or type " + std::to_string(type) + " out of range");
        return false;
    }
    const auto c = static_cast<std::size_t>(col);
    if (r->colTypes[c] != type) {
        r->colTypes[c] = type;
        for (auto& row : r->rows) row[c] = DefaultValue(type);
    }
    return true;
}

int PubDataStore::ColType(int index, std::string_view rec, int col) const {
    STORE_LOCK;
    FIND;
    const Record* r = find_.RecordAt(index, rec, "GetPubRecordColType", true);
    if (r == nullptr) return VT_NONE;
    if (col < 0 || col >= static_cast<int>(r->colTypes.size())) {
        find_.Refuse("GetPubRecordColType", index, rec, "column " + std::to_string(col) + " out of range");
        return VT_NONE;
    }
    return r->colTypes[static_cast<std::size_t>(col)];
}

int PubDataStore::MaxRows(int index, std::string_view rec) const {
    STORE_LOCK;
    FIND;
    const Record* r = find_.RecordAt(index, rec, "GetPubRecordMax", false);
    return r != nullptr ? r->maxRows : -1;
}

int PubDataStore::Rows(int index, std::string_view rec) const {
    STORE_LOCK;
    FIND;
    const Record* r = find_.RecordAt(index, rec, "GetPubRecordRows", false);
    return r != nullptr ? static_cast<int>(r->rows.size()) : -1;
}

int PubDataStore::Cols(int index, std::string_view rec) const {
    STORE_LOCK;
    FIND;
    const Record* r = find_.RecordAt(index, rec, "GetPubRecordCols", false);
    return r != nullptr ? static_cast<int>(r->colTypes.size()) : -1;
}

bool PubDataStore::InsertRow(int index, std::string_view rec, int row) {
    STORE_LOCK;
    FIND;
    Record* r = find_.RecordAt(index, rec, "InsertPubRecordRow", true);
    if (r == nullptr) return false;
    const int rows = static_cast<int>(r->rows.size());
    if (row < 0 || row > rows) {
        find_.Refuse("InsertPubRecordRow", index, rec,
                     "row " + std::to_string(row) + " out of range (rows " + std::to_string(rows) + ")");
        return false;
    }
    if (rows >= r->maxRows) {
        find_.Refuse("InsertPubRecordRow", index, rec, "record full (" + std::to_string(r->maxRows) + " rows)");
        return false;
    }
    r->rows.insert(r->rows.begin() + row, DefaultRow(*r));
    return true;
}

int PubDataStore::AddRowValues(int index, std::string_view rec, int row, const IVarList& values) {
    STORE_LOCK;
    FIND;
    Record* r = find_.RecordAt(index, rec, "AddPubRecordRowValue", true);
    if (r == nullptr) return -1;
    const int rows = static_cast<int>(r->rows.size());
    if (row == -1) row = rows;
    if (row < 0 || row > rows) {
        find_.Refuse("AddPubRecordRowValue", index, rec,
                     "row " + std::to_string(row) + " out of range (rows " + std::to_string(rows) + ")");
        return -1;
    }
    if (rows >= r->maxRows) {
        find_.Refuse("AddPubRecordRowValue", index, rec, "record full (" + std::to_string(r->maxRows) + " rows)");
        return -1;
    }
    if (!find_.RowFits(*r, values, index, rec, "AddPubRecordRowValue")) return -1;
    std::vector<HostValue> cells;
    cells.reserve(r->colTypes.size());
    for (std::size_t i = 0; i < r->colTypes.size(); ++i) cells.push_back(CellFromList(r->colTypes[i], values, i));
    r->rows.insert(r->rows.begin() + row, std::move(cells));
    return row;
}

bool PubDataStore::RemoveRow(int index, std::string_view rec, int row) {
    STORE_LOCK;
    FIND;
    Record* r = find_.RecordAt(index, rec, "RemovePubRecordRow", true);
    if (r == nullptr) return false;
    if (row < 0 || row >= static_cast<int>(r->rows.size())) {
        find_.Refuse("RemovePubRecordRow", index, rec,
                     "row " + std::to_string(row) + " out of range (rows " + std::to_string(r->rows.size()) + ")");
        return false;
    }
    r->rows.erase(r->rows.begin() + row);
    return true;
}

bool PubDataStore::ClearRecord(int index, std::string_view rec) {
    STORE_LOCK;
    FIND;
    Record* r = find_.RecordAt(index, rec, "ClearPubRecord", true);
    if (r == nullptr) return false;
    r->rows.clear();
    return true;
}

int PubDataStore::FindWideStr(int index, std::string_view rec, int col, std::u16string_view value) const {
    STORE_LOCK;
    FIND;
    const Record* r = find_.RecordAt(index, rec, "FindPubRecordWideStr", true);
    if (r == nullptr) return -1;
    if (col < 0 || col >= static_cast<int>(r->colTypes.size()) ||
        r->colTypes[static_cast<std::size_t>(col)] != VT_WIDESTR) {
        find_.Refuse("FindPubRecordWideStr", index, rec, "column " + std::to_string(col) + " is no wide text column");
        return -1;
    }
    const auto c = static_cast<std::size_t>(col);
    for (std::size_t i = 0; i < r->rows.size(); ++i) {
        if (std::get<std::u16string>(r->rows[i][c]) == value) return static_cast<int>(i);
    }
    return -1;
}

bool PubDataStore::SetRowValues(int index, std::string_view rec, int row, const IVarList& values) {
    STORE_LOCK;
    FIND;
    Record* r = find_.RecordAt(index, rec, "SetPubRecordRowValue", true);
    if (r == nullptr) return false;
    if (row < 0 || row >= static_cast<int>(r->rows.size())) {
        find_.Refuse("SetPubRecordRowValue", index, rec,
                     "row " + std::to_string(row) + " out of range (rows " + std::to_string(r->rows.size()) + ")");
        return false;
    }
    if (!find_.RowFits(*r, values, index, rec, "SetPubRecordRowValue")) return false;
    auto& cells = r->rows[static_cast<std::size_t>(row)];
    for (std::size_t i = 0; i < r->colTypes.size(); ++i) cells[i] = CellFromList(r->colTypes[i], values, i);
    return true;
}

bool PubDataStore::SetInt(int index, std::string_view rec, int row, int col, int value) {
    STORE_LOCK;
    FIND;
    HostValue* cell = find_.CellAt(index, rec, row, col, VT_INT, "SetPubRecordInt");
    if (cell == nullptr) return false;
    if (cell->index() == 6)
        *cell = static_cast<std::int64_t>(value);
    else
        *cell = value;
    return true;
}

bool PubDataStore::SetFloat(int index, std::string_view rec, int row, int col, float value) {
    STORE_LOCK;
    FIND;
    HostValue* cell = find_.CellAt(index, rec, row, col, VT_FLOAT, "SetPubRecordFloat");
    if (cell == nullptr) return false;
    *cell = value;
    return true;
}

bool PubDataStore::SetString(int index, std::string_view rec, int row, int col, std::string_view value) {
    STORE_LOCK;
    FIND;
    HostValue* cell = find_.CellAt(index, rec, row, col, VT_STRING, "SetPubRecordString");
    if (cell == nullptr) return false;
    std::get<std::string>(*cell).assign(value);
    return true;
}

bool PubDataStore::SetWideStr(int index, std::string_view rec, int row, int col, std::u16string_view value) {
    STORE_LOCK;
    FIND;
    HostValue* cell = find_.CellAt(index, rec, row, col, VT_WIDESTR, "SetPubRecordWideStr");
    if (cell == nullptr) return false;
    std::get<std::u16string>(*cell).assign(value);
    return true;
}

int PubDataStore::QueryInt(int index, std::string_view rec, int row, int col) const {
    STORE_LOCK;
    FIND;
    const HostValue* cell = find_.CellAt(index, rec, row, col, VT_INT, "QueryPubRecordInt");
    if (cell == nullptr) return 0;
    if (cell->index() == 6) return static_cast<int>(std::get<std::int64_t>(*cell));
    return std::get<int>(*cell);
}

float PubDataStore::QueryFloat(int index, std::string_view rec, int row, int col) const {
    STORE_LOCK;
    FIND;
    const HostValue* cell = find_.CellAt(index, rec, row, col, VT_FLOAT, "QueryPubRecordFloat");
    return cell != nullptr ? std::get<float>(*cell) : 0.0f;
}

bool PubDataStore::QueryString(int index, std::string_view rec, int row, int col, std::string& out) const {
    STORE_LOCK;
    FIND;
    const HostValue* cell = find_.CellAt(index, rec, row, col, VT_STRING, "QueryPubRecordString");
    if (cell == nullptr) {
        out.clear();
        return false;
    }
    out = std::get<std::string>(*cell);
    return true;
}

bool PubDataStore::QueryWideStr(int index, std::string_view rec, int row, int col, std::u16string& out) const {
    STORE_LOCK;
    FIND;
    const HostValue* cell = find_.CellAt(index, rec, row, col, VT_WIDESTR, "QueryPubRecordWideStr");
    if (cell == nullptr) {
        out.clear();
        return false;
    }
    out = std::get<std::u16string>(*cell);
    return true;
}

ObjectId PubDataStore::QueryObject(int index, std::string_view rec, int row, int col) const {
    STORE_LOCK;
    FIND;
    const HostValue* cell = find_.CellAt(index, rec, row, col, VT_OBJECT, "QueryPubRecordObject");
    return cell != nullptr ? std::get<ObjectId>(*cell) : ObjectId{};
}

std::optional<PubDataStore::RecordSnapshot> PubDataStore::Snapshot(std::u16string_view space,
                                                                   std::string_view rec) const {
    STORE_LOCK;
    auto it = impl_->byName.find(space);
    if (it == impl_->byName.end()) return std::nullopt;
    const Space& s = *impl_->spaces[static_cast<std::size_t>(it->second)];
    auto r = s.records.find(rec);
    if (r == s.records.end()) return std::nullopt;
    RecordSnapshot snap;
    snap.maxRows = r->second.maxRows;
    snap.save = r->second.save;
    snap.colTypes = r->second.colTypes;
    snap.rows = r->second.rows;
    return snap;
}

bool PubDataStore::Seed(std::u16string_view space, std::string_view rec, int maxRows,
                        const std::vector<int>& colTypes, const std::vector<std::vector<HostValue>>& rows) {
    STORE_LOCK;
    if (colTypes.empty() || maxRows < 0) return false;
    for (int type : colTypes)
        if (type <= VT_NONE || type > VT_INT64 || type == VT_BYTES) return false;
    for (const auto& row : rows) {
        if (row.size() != colTypes.size()) return false;
        for (std::size_t i = 0; i < row.size(); ++i)
            if (!TypeFits(colTypes[i], TypeOfValue(row[i]))) return false;
    }
    AddSpace(space, 1);
    Space& s = *impl_->spaces[static_cast<std::size_t>(impl_->byName.find(space)->second)];
    Record r;
    r.maxRows = maxRows;
    r.colTypes = colTypes;
    r.rows = rows;
    for (auto& row : r.rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            if (colTypes[i] == VT_INT64 && row[i].index() == 1) row[i] = static_cast<std::int64_t>(std::get<int>(row[i]));
    s.records.insert_or_assign(std::string(rec), std::move(r));
    return true;
}

std::vector<PubDataStore::RecordInfo> PubDataStore::Records() const {
    STORE_LOCK;
    std::vector<RecordInfo> out;
    for (const auto& space : impl_->spaces) {
        const std::size_t first = out.size();
        for (const auto& [name, r] : space->records)
            out.push_back(RecordInfo{space->name, name, static_cast<int>(r.rows.size()),
                                     static_cast<int>(r.colTypes.size()), r.maxRows});
        std::sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(),
                  [](const RecordInfo& a, const RecordInfo& b) { return a.record < b.record; });
    }
    return out;
}

void PubDataStore::SetReleaseHook(ReleaseHook hook) {
    STORE_LOCK;
    impl_->releaseHook = std::move(hook);
}
