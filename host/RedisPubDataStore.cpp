#include "RedisPubDataStore.h"

#include <hiredis.h>

#include <unistd.h>

#include <charconv>

#include "RedisValueBytes.h"
#include "TypedTable.h"

namespace {
std::string Num(long long v) { return std::to_string(v); }
void DecodeOps(std::string_view blob, std::vector<PubDataStore::ListOp>& out);

long long IntOfReply(const redisReply* r) {
    if (r == nullptr) return 0;
    if (r->type == REDIS_REPLY_INTEGER) return r->integer;
    if (r->type == REDIS_REPLY_STRING) {
        long long v = 0;
        std::from_chars(r->str, r->str + r->len, v);
        return v;
    }
    return 0;
}

std::string_view TextOfReply(const redisReply* r) {
    return r != nullptr && r->type == REDIS_REPLY_STRING ? std::string_view(r->str, r->len) : std::string_view();
}

const redisReply* Element(const redisReply* r, std::size_t i) {
    return r != nullptr && r->type == REDIS_REPLY_ARRAY && i < r->elements ? r->element[i] : nullptr;
}

// A row element: an 8-byte row id, then per cell a 4-byte big-endian length and the bytes.
std::vector<std::string_view> CellsOf(std::string_view elem) {
    std::vector<std::string_view> cells;
    for (std::size_t at = 8; at + 4 <= elem.size();) {
        const auto b = [&](std::size_t i) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(elem[at + i]));
        };
        const std::size_t len = (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
        at += 4;
        if (at + len > elem.size()) break;
        cells.push_back(elem.substr(at, len));
        at += len;
    }
    return cells;
}

// A whole record in a script's reply from element at on: its column types (a
// byte each), maximum, save flag, then its rows.
PubDataStore::RecordSnapshot RecordOfReply(const redisReply* r, std::size_t at) {
    PubDataStore::RecordSnapshot snap;
    for (char t : TextOfReply(Element(r, at))) snap.colTypes.push_back(static_cast<unsigned char>(t));
    snap.maxRows = static_cast<int>(IntOfReply(Element(r, at + 1)));
    snap.save = IntOfReply(Element(r, at + 2)) == 1;
    for (std::size_t i = at + 3; i < r->elements; ++i) {
        const std::vector<std::string_view> cells = CellsOf(TextOfReply(r->element[i]));
        std::vector<HostValue> row;
        row.reserve(snap.colTypes.size());
        for (std::size_t c = 0; c < snap.colTypes.size(); ++c)
            row.push_back(ValueFromBytes(snap.colTypes[c], c < cells.size() ? cells[c] : std::string_view()));
        snap.rows.push_back(std::move(row));
    }
    return snap;
}

void AppendCell(std::string& out, std::string_view bytes) {
    const auto n = static_cast<std::uint32_t>(bytes.size());
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((n >> shift) & 0xFF));
    out.append(bytes);
}
}  // namespace

long long RedisPubDataStore::Outcome::Value(std::size_t i) const { return IntOfReply(Element(reply.get(), i)); }

RedisPubDataStore::RedisPubDataStore(const RedisAddress& address) : connection_(address) {}
RedisPubDataStore::~RedisPubDataStore() = default;

std::unique_ptr<RedisPubDataStore> RedisPubDataStore::Open(const RedisAddress& address, std::string& error,
                                                           std::string_view role) {
    std::unique_ptr<RedisPubDataStore> store(new RedisPubDataStore(address));
    std::string name = "vogame:" + address.prefix + ":";
    if (role.empty()) {
        name += "pid" + std::to_string(::getpid());
    } else {
        for (char c : role) name.push_back(c == ' ' || c < 0x21 || c > 0x7e ? '_' : c);
    }
    store->connection_.SetClientName(std::move(name));
    store->connection_.SetNoticeSink([raw = store.get()](const std::string& line) { raw->File(line); });
    if (!store->connection_.Open(error)) return nullptr;
    return store;
}

std::string RedisPubDataStore::Key(int index, std::string_view kind, std::string_view name) const {
    std::string key = connection_.Address().KeyBase();
    key.append(":s:").append(std::to_string(index)).append(":").append(kind).append(":").append(name);
    return key;
}

RedisPubDataStore::Outcome RedisPubDataStore::Exec(std::string_view op, RedisScript script, int index,
                                                   std::string_view what, const std::vector<std::string_view>& args,
                                                   const std::vector<std::string_view>& keys) const {
    Outcome out;
    std::string error;
    out.reply = connection_.Run(op, script, keys, args, Caller(), error);
    const redisReply* r = out.reply.get();
    if (r == nullptr || r->type != REDIS_REPLY_ARRAY || r->elements == 0) {
        if (error.empty()) error = "the store's script gave no result";
        // While the store is down the breaker's two lines tell the outage, not each call.
        if (!connection_.CircuitOpen()) File(std::string(op) + " not done: " + error);
        RestoreIfLost();
        out.status = Status::Failed;
        return out;
    }
    switch (IntOfReply(r->element[0])) {
        case 1: out.status = Status::Done; break;
        case 2: out.status = Status::Quiet; break;
        default:
            out.status = Status::Refused;
            Refuse(op, WideFromBytes(TextOfReply(Element(r, 2))), index, what, TextOfReply(Element(r, 1)));
            break;
    }
    return out;
}

RedisReplyPtr RedisPubDataStore::Plain(std::string_view op, const std::vector<std::string_view>& argv) const {
    std::string error;
    RedisReplyPtr reply = connection_.Command(op, argv, error);
    if (!reply && !connection_.CircuitOpen()) File(std::string(op) + " not done: " + error);
    if (!reply) RestoreIfLost();
    return reply;
}

bool RedisPubDataStore::RemoveWorld(std::string& error) {
    const std::string pattern = connection_.Address().KeyBase() + ":*";
    // A keyed call first: on a cluster it moves the connection to the world's
    // node, the one whose keys SCAN walks.
    if (!connection_.Command("RemoveWorld", {"EXISTS", connection_.Address().KeyBase() + ":epoch"}, error))
        return false;
    std::string cursor = "0";
    do {
        RedisReplyPtr page =
            connection_.Command("RemoveWorld", {"SCAN", cursor, "MATCH", pattern, "COUNT", "1000"}, error);
        if (!page || page->type != REDIS_REPLY_ARRAY || page->elements != 2) {
            if (error.empty()) error = "SCAN gave no page";
            return false;
        }
        cursor = std::string(TextOfReply(page->element[0]));
        const redisReply* keys = page->element[1];
        if (keys->elements == 0) continue;
        std::vector<std::string_view> unlink = {"UNLINK"};
        for (std::size_t i = 0; i < keys->elements; ++i) unlink.push_back(TextOfReply(keys->element[i]));
        if (!connection_.Command("RemoveWorld", unlink, error)) return false;
    } while (cursor != "0");
    return connection_.RenewEpoch(error);
}

void RedisPubDataStore::RestoreIfLost() const {
    std::uint64_t seen = restoredFor_.load();
    const std::uint64_t lost = connection_.WorldsLost();
    if (lost == seen || !restoredFor_.compare_exchange_strong(seen, lost)) return;  // one thread restores
    // The store is never const itself; a read that found the world lost restores it like a write.
    auto& self = const_cast<RedisPubDataStore&>(*this);
    std::string why;
    if (schema_.Restore(self, why)) {
        File("world " + connection_.Address().prefix + " made again with its " + std::to_string(schema_.Spaces()) +
             " spaces and their properties at the same indices; the servers set their lists up again");
    } else {
        File("world " + connection_.Address().prefix + " made again, but " + why +
             ": calls on the old index go to another space");
    }
}

// ---------------------------------------------------------------- spaces

int RedisPubDataStore::SpaceIndex(std::u16string_view name) const {
    RedisReplyPtr r = Plain("GetPubDataIndex", {"HGET", connection_.Address().KeyBase() + ":spaces", WideBytes(name)});
    const int index = r && r->type == REDIS_REPLY_STRING ? static_cast<int>(IntOfReply(r.get())) : -1;
    schema_.SawSpace(index, name);
    return index;
}

bool RedisPubDataStore::AddSpace(std::u16string_view name, int flag) {
    if (name.empty()) {
        Diagnostics().Add("AddPubData: empty name");
        return false;
    }
    (void)flag;  // kept by no store operation
    const Outcome o = Exec("AddPubData", RedisScript::AddSpace, -1, "", {WideBytes(name)});
    if (o.status == Status::Done) schema_.SawSpace(static_cast<int>(o.Value()), name);
    return o.status == Status::Done;
}

int RedisPubDataStore::SpaceCount() const {
    RedisReplyPtr r = Plain("SpaceCount", {"LLEN", connection_.Address().KeyBase() + ":spacelist"});
    return static_cast<int>(IntOfReply(r.get()));
}

// ---------------------------------------------------------------- properties

bool RedisPubDataStore::FindProperty(int index, std::string_view name) const {
    // Its type, which a property always has: so a property another server made
    // is remembered too, to be made again should the world be lost.
    RedisReplyPtr r = Plain("FindPubProperty", {"HGET", Key(index, "p", name), "t"});
    if (!r || r->type != REDIS_REPLY_STRING) return false;
    schema_.SawProperty(index, name, static_cast<int>(IntOfReply(r.get())));
    return true;
}

bool RedisPubDataStore::AddProperty(int index, std::string_view name, int type) {
    const Status status =
        Exec("AddPubProperty", RedisScript::AddProperty, index, name, {Num(index), name, Num(type)}).status;
    if (status == Status::Done || status == Status::Quiet) schema_.SawProperty(index, name, type);
    return status == Status::Done;
}

bool RedisPubDataStore::SetPropertySave(int index, std::string_view name, bool save) {
    return Exec("SetPubPropertySave", RedisScript::SetPropertySave, index, name, {Num(index), name, save ? "1" : "0"})
               .status == Status::Done;
}

bool RedisPubDataStore::PropertySave(int index, std::string_view name) const {
    RedisReplyPtr r = Plain("PropertySave", {"HGET", Key(index, "p", name), "s"});
    return TextOfReply(r.get()) == "1";
}

bool RedisPubDataStore::SetPropertyInt(int index, std::string_view name, int value) {
    return Exec("SetPubPropertyInt", RedisScript::SetPropertyInt, index, name, {Num(index), name, Num(value)}).status ==
           Status::Done;
}

int RedisPubDataStore::PropertyInt(int index, std::string_view name) const {
    RedisReplyPtr r = Plain("PropertyInt", {"HGET", Key(index, "p", name), "v"});
    return static_cast<int>(IntOfReply(r.get()));
}

bool RedisPubDataStore::CompareSetPropertyInt(int index, std::string_view name, int expected, int desired) {
    const bool done = Exec("CompareSetPubPropertyInt", RedisScript::CompareSet, index, name,
                           {Num(index), name, Num(expected), Num(desired)})
                          .status == Status::Done;
    CountCompareSet(name, done, expected, desired);
    return done;
}

void RedisPubDataStore::CountCompareSet(std::string_view name, bool granted, int expected, int desired) {
    if (granted && !(expected == 1 && desired == 0)) return;
    const std::lock_guard<std::mutex> lock(countsMutex_);
    auto& counts = granted ? releases_ : failures_;
    auto it = counts.find(name);
    if (it == counts.end()) it = counts.emplace(std::string(name), 0).first;
    ++it->second;
    if (!granted) ++failuresTotal_;
}

std::map<std::string, std::uint64_t, std::less<>> RedisPubDataStore::Releases() const {
    const std::lock_guard<std::mutex> lock(countsMutex_);
    return releases_;
}

std::map<std::string, std::uint64_t, std::less<>> RedisPubDataStore::Failures() const {
    const std::lock_guard<std::mutex> lock(countsMutex_);
    return failures_;
}

std::uint64_t RedisPubDataStore::CompareSetFailures(int /*index*/, std::string_view name) const {
    const std::lock_guard<std::mutex> lock(countsMutex_);
    const auto it = failures_.find(name);
    return it != failures_.end() ? it->second : 0;
}

std::uint64_t RedisPubDataStore::CompareSetFailuresTotal() const {
    const std::lock_guard<std::mutex> lock(countsMutex_);
    return failuresTotal_;
}

// ---------------------------------------------------------------- list locks

PubDataStore::ListLockState RedisPubDataStore::ListLock(int index, std::string_view lock) const {
    RedisReplyPtr r = Plain("ListLock", {"HMGET", Key(index, "p", lock), "v", "h", "g"});
    ListLockState state;
    state.value = static_cast<int>(IntOfReply(Element(r.get(), 0)));
    state.holder = static_cast<int>(IntOfReply(Element(r.get(), 1)));
    state.generation = static_cast<std::uint64_t>(IntOfReply(Element(r.get(), 2)));
    return state;
}

PubDataStore::ListTake RedisPubDataStore::TakeList(int index, std::string_view lock, int expected,
                                                   std::uint64_t knownVersion) {
    const std::string rec(GuardedRecord(lock));
    const std::string lockKey = Key(index, "p", lock), claimKey = Key(index, "p", ClaimOf(lock)),
                      meta = Key(index, "rm", rec), rows = Key(index, "rr", rec), log = Key(index, "rl", rec),
                      spaces = connection_.Address().KeyBase() + ":spacelist";
    const Outcome o = Exec("TakeList", RedisScript::TakeList, index, lock,
                           {Num(index), lock, Num(expected), Num(static_cast<long long>(knownVersion))},
                           {lockKey, claimKey, meta, rows, log, spaces});
    ListTake take;
    take.granted = o.status == Status::Done;
    CountCompareSet(lock, take.granted, expected, 1);
    if (!take.granted) return take;
    const redisReply* r = o.reply.get();
    take.generation = static_cast<std::uint64_t>(o.Value(1));
    take.space = WideFromBytes(TextOfReply(Element(r, 2)));
    take.claimExists = o.Value(3) == 1;
    take.claim = static_cast<int>(o.Value(4));
    const bool exists = o.Value(5) == 1;
    take.version = static_cast<std::uint64_t>(o.Value(6));
    const long long sent = o.Value(7);
    if (sent == 0) return take;
    if (sent == 3) {
        for (std::size_t i = 8; i < r->elements; ++i) DecodeOps(TextOfReply(r->element[i]), take.missed);
        return take;
    }
    take.sent = true;
    if (!exists) return take;
    if (sent == 2) {
        // The reply came a second time, from the store's memory, without the rows.
        take.version = 0;
        take.record = Snapshot(take.space, rec);
        return take;
    }
    take.record = RecordOfReply(r, 8);
    return take;
}

namespace {

// A hold's writes of rows as ApplyList takes them: per write a letter, the count
// of its arguments, then the arguments its script of its own takes after the
// record's name.
void EncodeOps(const std::vector<PubDataStore::ListOp>& ops, std::vector<std::string>& out) {
    using Kind = PubDataStore::ListOp::Kind;
    for (const PubDataStore::ListOp& op : ops) {
        std::vector<std::string> args;
        char letter = 'c';
        switch (op.kind) {
            case Kind::InsertRow:
                letter = 'i';
                args = {Num(op.row)};
                break;
            case Kind::RemoveRow:
                letter = 'd';
                args = {Num(op.row)};
                break;
            case Kind::Clear: letter = 'c'; break;
            case Kind::AddRowValues:
            case Kind::SetRowValues: {
                letter = op.kind == Kind::AddRowValues ? 'a' : 's';
                std::string types;
                for (const HostValue& v : op.values) types.push_back(static_cast<char>(TypeOfValue(v)));
                args = {Num(op.row), types};
                for (const HostValue& v : op.values) args.push_back(ValueBytes(v));
                break;
            }
            case Kind::SetCell:
                letter = 'x';
                args = {Num(op.row), Num(op.col), Num(TypeOfValue(op.values.at(0))), ValueBytes(op.values.at(0))};
                break;
        }
        out.emplace_back(1, letter);
        out.push_back(Num(static_cast<long long>(args.size())));
        for (std::string& a : args) out.push_back(std::move(a));
    }
}

// The same writes back from a log entry of the store: its arguments, each a
// 4-byte big-endian length and the bytes.
void DecodeOps(std::string_view blob, std::vector<PubDataStore::ListOp>& out) {
    using Kind = PubDataStore::ListOp::Kind;
    std::vector<std::string_view> items;
    for (std::size_t at = 0; at + 4 <= blob.size();) {
        const auto b = [&](std::size_t i) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(blob[at + i]));
        };
        const std::size_t len = (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
        at += 4;
        if (at + len > blob.size()) break;
        items.push_back(blob.substr(at, len));
        at += len;
    }
    const auto number = [](std::string_view text) {
        long long v = 0;
        std::from_chars(text.data(), text.data() + text.size(), v);
        return static_cast<int>(v);
    };
    for (std::size_t k = 0; k + 1 < items.size();) {
        const char letter = items[k].empty() ? ' ' : items[k][0];
        const std::size_t n = static_cast<std::size_t>(number(items[k + 1]));
        if (k + 2 + n > items.size()) break;
        const std::string_view* a = items.data() + k + 2;
        PubDataStore::ListOp op;
        switch (letter) {
            case 'i':
                op.kind = Kind::InsertRow;
                op.row = number(a[0]);
                break;
            case 'd':
                op.kind = Kind::RemoveRow;
                op.row = number(a[0]);
                break;
            case 'c': op.kind = Kind::Clear; break;
            case 'a':
            case 's':
                op.kind = letter == 'a' ? Kind::AddRowValues : Kind::SetRowValues;
                op.row = number(a[0]);
                for (std::size_t v = 2; v < n; ++v)
                    op.values.push_back(ValueFromBytes(static_cast<unsigned char>(a[1][v - 2]), a[v]));
                break;
            case 'x':
                op.kind = Kind::SetCell;
                op.row = number(a[0]);
                op.col = number(a[1]);
                op.values.push_back(ValueFromBytes(number(a[2]), a[3]));
                break;
            default: return;
        }
        out.push_back(std::move(op));
        k += 2 + n;
    }
}

}  // namespace

bool RedisPubDataStore::ApplyList(int index, std::string_view lock, std::uint64_t generation,
                                  const ListChanges* changes, std::uint64_t* version) {
    if (version != nullptr) *version = 0;
    const std::string rec(GuardedRecord(lock));
    const std::string lockKey = Key(index, "p", lock), meta = Key(index, "rm", rec), rows = Key(index, "rr", rec),
                      log = Key(index, "rl", rec),
                      recs = connection_.Address().KeyBase() + ":s:" + Num(index) + ":recs",
                      spaces = connection_.Address().KeyBase() + ":spacelist";
    const std::string indexText = Num(index), generationText = Num(static_cast<long long>(generation));
    std::vector<std::string> tail;  // the arguments after the mode
    const char* mode = "u";
    if (changes != nullptr && !changes->whole) {
        mode = "o";
        tail.push_back(Num(static_cast<long long>(changes->takenVersion)));
        EncodeOps(changes->ops, tail);
    } else if (changes != nullptr && !changes->record) {
        mode = "r";
    } else if (changes != nullptr) {
        mode = "w";
        const RecordSnapshot& snap = *changes->record;
        std::string types;
        for (int t : snap.colTypes) types.push_back(static_cast<char>(t));
        tail = {types, Num(snap.maxRows), snap.save ? "1" : "0"};
        for (const auto& row : snap.rows) {
            std::string elem;
            for (std::size_t i = 0; i < row.size(); ++i)
                AppendCell(elem, ValueBytes(StoredAs(snap.colTypes[i], row[i])));
            tail.push_back(std::move(elem));
        }
    }
    std::vector<std::string_view> args = {indexText, lock, rec, generationText, mode};
    for (const std::string& t : tail) args.push_back(t);
    const Outcome o =
        Exec("ApplyList", RedisScript::ApplyList, index, lock, args, {lockKey, meta, rows, log, recs, spaces});
    const bool done = o.status == Status::Done;
    if (done) CountCompareSet(lock, true, 1, 0);
    if (done && version != nullptr) *version = static_cast<std::uint64_t>(o.Value(1));
    return done;
}

// ---------------------------------------------------------------- records

bool RedisPubDataStore::FindRecord(int index, std::string_view rec) const {
    RedisReplyPtr r = Plain("FindPubRecord", {"EXISTS", Key(index, "rm", rec)});
    return IntOfReply(r.get()) == 1;
}

bool RedisPubDataStore::AddRecord(int index, std::string_view rec, int maxRows, int cols) {
    // The bound is checked here, so a huge shape never reaches the server; the
    // script still refuses it only after the checks that come first.
    return Exec("AddPubRecord", RedisScript::AddRecord, index, rec,
                {Num(index), rec, Num(maxRows), Num(cols), TypedTable::ShapeRefusal(maxRows, cols)})
               .status == Status::Done;
}

bool RedisPubDataStore::RemoveRecord(int index, std::string_view rec) {
    return Exec("RemovePubRecord", RedisScript::RemoveRecord, index, rec, {Num(index), rec}).status == Status::Done;
}

bool RedisPubDataStore::SetRecordSave(int index, std::string_view rec, bool save) {
    return Exec("SetPubRecordSave", RedisScript::SetRecordSave, index, rec, {Num(index), rec, save ? "1" : "0"})
               .status == Status::Done;
}

bool RedisPubDataStore::RecordSave(int index, std::string_view rec) const {
    RedisReplyPtr r = Plain("RecordSave", {"HGET", Key(index, "rm", rec), "save"});
    return TextOfReply(r.get()) == "1";
}

bool RedisPubDataStore::SetColType(int index, std::string_view rec, int col, int type) {
    return Exec("SetPubRecordColType", RedisScript::SetColType, index, rec, {Num(index), rec, Num(col), Num(type)})
               .status == Status::Done;
}

int RedisPubDataStore::ColType(int index, std::string_view rec, int col) const {
    const Outcome o = Exec("GetPubRecordColType", RedisScript::ColType, index, rec, {Num(index), rec, Num(col)});
    return o.status == Status::Done ? static_cast<int>(o.Value()) : VT_NONE;
}

int RedisPubDataStore::MaxRows(int index, std::string_view rec) const {
    const Outcome o = Exec("GetPubRecordMax", RedisScript::Shape, index, rec, {Num(index), rec});
    return o.status == Status::Failed ? -1 : static_cast<int>(o.Value(1));
}

int RedisPubDataStore::Rows(int index, std::string_view rec) const {
    const Outcome o = Exec("GetPubRecordRows", RedisScript::Shape, index, rec, {Num(index), rec});
    return o.status == Status::Failed ? -1 : static_cast<int>(o.Value(2));
}

int RedisPubDataStore::Cols(int index, std::string_view rec) const {
    const Outcome o = Exec("GetPubRecordCols", RedisScript::Shape, index, rec, {Num(index), rec});
    return o.status == Status::Failed ? -1 : static_cast<int>(o.Value(3));
}

// ---------------------------------------------------------------- rows

bool RedisPubDataStore::InsertRow(int index, std::string_view rec, int row) {
    return Exec("InsertPubRecordRow", RedisScript::InsertRow, index, rec, {Num(index), rec, Num(row)}).status ==
           Status::Done;
}

bool RedisPubDataStore::RowCall(std::string_view op, RedisScript script, int index, std::string_view rec, int row,
                                const IVarList& values, long long& value) {
    const std::string indexText = Num(index), rowText = Num(row);
    std::string types;
    std::vector<std::string> bytes(values.Size());
    for (std::size_t i = 0; i < values.Size(); ++i)
        types.push_back(static_cast<char>(ListElementBytes(values, i, bytes[i])));
    std::vector<std::string_view> args = {indexText, rec, rowText, types};
    for (const std::string& b : bytes) args.push_back(b);
    const Outcome o = Exec(op, script, index, rec, args);
    value = o.Value();
    return o.status == Status::Done;
}

int RedisPubDataStore::AddRowValues(int index, std::string_view rec, int row, const IVarList& values) {
    long long added = -1;
    return RowCall("AddPubRecordRowValue", RedisScript::AddRowValues, index, rec, row, values, added)
               ? static_cast<int>(added)
               : -1;
}

bool RedisPubDataStore::SetRowValues(int index, std::string_view rec, int row, const IVarList& values) {
    long long ignored = 0;
    return RowCall("SetPubRecordRowValue", RedisScript::SetRowValues, index, rec, row, values, ignored);
}

bool RedisPubDataStore::RemoveRow(int index, std::string_view rec, int row) {
    return Exec("RemovePubRecordRow", RedisScript::RemoveRow, index, rec, {Num(index), rec, Num(row)}).status ==
           Status::Done;
}

bool RedisPubDataStore::ClearRecord(int index, std::string_view rec) {
    return Exec("ClearPubRecord", RedisScript::ClearRecord, index, rec, {Num(index), rec}).status == Status::Done;
}

int RedisPubDataStore::FindWideStr(int index, std::string_view rec, int col, std::u16string_view value) const {
    const Outcome o = Exec("FindPubRecordWideStr", RedisScript::FindWideStr, index, rec,
                           {Num(index), rec, Num(col), WideBytes(value)});
    return o.status == Status::Done ? static_cast<int>(o.Value()) : -1;
}

// ---------------------------------------------------------------- cells

bool RedisPubDataStore::SetCell(std::string_view op, int index, std::string_view rec, int row, int col,
                                const HostValue& value) {
    return Exec(op, RedisScript::SetCell, index, rec,
                {Num(index), rec, Num(row), Num(col), Num(TypeOfValue(value)), ValueBytes(value)})
               .status == Status::Done;
}

HostValue RedisPubDataStore::QueryCell(std::string_view op, int index, std::string_view rec, int row, int col,
                                       int type) const {
    const Outcome o = Exec(op, RedisScript::QueryCell, index, rec, {Num(index), rec, Num(row), Num(col), Num(type)});
    if (o.status != Status::Done) return std::monostate{};
    return ValueFromBytes(static_cast<int>(o.Value(1)), TextOfReply(Element(o.reply.get(), 2)));
}

bool RedisPubDataStore::SetInt(int index, std::string_view rec, int row, int col, int value) {
    return SetCell("SetPubRecordInt", index, rec, row, col, value);
}
bool RedisPubDataStore::SetFloat(int index, std::string_view rec, int row, int col, float value) {
    return SetCell("SetPubRecordFloat", index, rec, row, col, value);
}
bool RedisPubDataStore::SetString(int index, std::string_view rec, int row, int col, std::string_view value) {
    return SetCell("SetPubRecordString", index, rec, row, col, std::string(value));
}
bool RedisPubDataStore::SetWideStr(int index, std::string_view rec, int row, int col, std::u16string_view value) {
    return SetCell("SetPubRecordWideStr", index, rec, row, col, std::u16string(value));
}

int RedisPubDataStore::QueryInt(int index, std::string_view rec, int row, int col) const {
    const HostValue v = QueryCell("QueryPubRecordInt", index, rec, row, col, VT_INT);
    return IntOf(&v);
}
float RedisPubDataStore::QueryFloat(int index, std::string_view rec, int row, int col) const {
    const HostValue v = QueryCell("QueryPubRecordFloat", index, rec, row, col, VT_FLOAT);
    return FloatOf(&v);
}
bool RedisPubDataStore::QueryString(int index, std::string_view rec, int row, int col, std::string& out) const {
    HostValue v = QueryCell("QueryPubRecordString", index, rec, row, col, VT_STRING);
    std::string* text = std::get_if<std::string>(&v);
    if (text == nullptr) {
        out.clear();
        return false;
    }
    out = std::move(*text);
    return true;
}
bool RedisPubDataStore::QueryWideStr(int index, std::string_view rec, int row, int col, std::u16string& out) const {
    HostValue v = QueryCell("QueryPubRecordWideStr", index, rec, row, col, VT_WIDESTR);
    std::u16string* text = std::get_if<std::u16string>(&v);
    if (text == nullptr) {
        out.clear();
        return false;
    }
    out = std::move(*text);
    return true;
}
ObjectId RedisPubDataStore::QueryObject(int index, std::string_view rec, int row, int col) const {
    const HostValue v = QueryCell("QueryPubRecordObject", index, rec, row, col, VT_OBJECT);
    return ObjectOf(&v);
}

// ---------------------------------------------------------------- whole records

std::optional<PubDataStore::RecordSnapshot> RedisPubDataStore::Snapshot(std::u16string_view space,
                                                                        std::string_view rec) const {
    const Outcome o = Exec("Snapshot", RedisScript::Snapshot, -1, rec, {WideBytes(space), rec});
    if (o.status != Status::Done) return std::nullopt;
    return RecordOfReply(o.reply.get(), 1);
}

bool RedisPubDataStore::Seed(std::u16string_view space, std::string_view rec, int maxRows,
                             const std::vector<int>& colTypes, const std::vector<std::vector<HostValue>>& rows) {
    if (!SeedFits(maxRows, colTypes, rows)) return false;
    std::string types;
    for (int t : colTypes) types.push_back(static_cast<char>(t));
    std::vector<std::string> encoded;
    encoded.reserve(rows.size());
    for (const auto& row : rows) {
        std::string elem;
        for (std::size_t i = 0; i < row.size(); ++i) AppendCell(elem, ValueBytes(StoredAs(colTypes[i], row[i])));
        encoded.push_back(std::move(elem));
    }
    const std::string spaceBytes = WideBytes(space), maxText = Num(maxRows);
    std::vector<std::string_view> args = {spaceBytes, rec, maxText, types};
    for (const std::string& e : encoded) args.push_back(e);
    return Exec("Seed", RedisScript::Seed, -1, rec, args).status == Status::Done;
}

std::vector<PubDataStore::RecordInfo> RedisPubDataStore::Records() const {
    std::vector<RecordInfo> out;
    const Outcome o = Exec("Records", RedisScript::Records, -1, "", {});
    if (o.status != Status::Done) return out;
    const redisReply* r = o.reply.get();
    for (std::size_t i = 1; i + 4 < r->elements; i += 5) {
        out.push_back(RecordInfo{WideFromBytes(TextOfReply(r->element[i])), std::string(TextOfReply(r->element[i + 1])),
                                 static_cast<int>(IntOfReply(r->element[i + 2])),
                                 static_cast<int>(IntOfReply(r->element[i + 3])),
                                 static_cast<int>(IntOfReply(r->element[i + 4]))});
    }
    return out;
}
