#include "HeldListStore.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {
std::int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A list's values as the host keeps them.
std::vector<HostValue> Values(const IVarList& list) {
    std::vector<HostValue> values;
    values.reserve(list.Size());
    for (std::size_t i = 0; i < list.Size(); ++i) values.push_back(ValueFromList(list, i));
    return values;
}
}  // namespace

HeldListStore::HeldListStore(PubDataStore& backing) : backing_(backing) {}

HeldListStore::~HeldListStore() = default;

void HeldListStore::Forget() noexcept {
    if (held_.active) image_->version = 0;  // what was written into it was never applied
    held_.active = false;
}

bool HeldListStore::OnRecord(int index, std::string_view rec) const noexcept {
    return held_.active && index == held_.index && rec == held_.record;
}

bool HeldListStore::OnProperty(int index, std::string_view name) const noexcept {
    return held_.active && index == held_.index && (name == held_.lock || name == held_.claim);
}

template <class Call>
auto HeldListStore::Image(Call call) const {
    MemoryPubDataStore& image = *image_->store;
    auto result = call(image);
    if (!image.Diagnostics().Empty()) {
        for (std::string& line : image.Diagnostics().Lines()) backing_.Diagnostics().Add(std::move(line));
        image.Diagnostics().Clear();
    }
    return result;
}

template <class Call>
auto HeldListStore::ImageWrite(Call call) {
    held_.changed = true;
    held_.changes.whole = true;
    return Image(call);
}

template <class Call>
auto HeldListStore::RowWrite(ListOp op, Call call) {
    const auto result = Image(call);
    if (result) {
        held_.changed = true;
        if (!held_.changes.whole) held_.changes.ops.push_back(std::move(op));
    }
    return result;
}

// ---------------------------------------------------------------- the hold

bool HeldListStore::Take(int index, std::string_view lock, int expected) {
    ListImage& image = images_[std::to_string(index) + ':' + std::string(lock)];
    ListTake take = backing_.TakeList(index, lock, expected, image.store ? image.version : 0);
    if (!take.granted) {
        // Another holds it. Asked again at once, the store would mostly hear from
        // waiters while the holder's release queues behind them, and on a busy
        // machine the waiters would keep the holder off the processor. Waiting a
        // few holds first (as long as this server's own holds last), the next
        // try mostly finds it free, and a server often holds a list several
        // times in a row, its image current.
        std::this_thread::sleep_for(
            std::chrono::nanoseconds(std::clamp(4 * holdNs_, kShortestPauseNs, kLongestPauseNs)));
        return false;
    }
    heldSinceNs_ = SteadyNs();
    held_ = Held{true,  index, std::string(lock), ClaimOf(lock), std::string(GuardedRecord(lock)), take.generation,
                 false, {}};
    held_.changes.takenVersion = take.version;
    image_ = &image;
    if (take.sent || !image.store) {
        image.store = std::make_unique<MemoryPubDataStore>();
        image.store->AddSpace(take.space, 1);
        if (take.record) image.store->Restore(take.space, held_.record, *take.record);
        image.space = take.space;
    }
    // Writes of other servers' holds since: made again on the image. Should one
    // not go in, the image is not the store's list, which is then read whole
    // (it cannot change while the lock is held).
    bool same = true;
    for (const ListOp& op : take.missed) same = same && image.store->Replay(0, held_.record, op);
    if (!same) {
        image.store->Diagnostics().Clear();
        const std::optional<RecordSnapshot> record = backing_.Snapshot(image.space, held_.record);
        if (record) image.store->Restore(image.space, held_.record, *record);
        take.version = 0;
    }
    image.version = take.version;
    // The lock and the claim as the store has them now.
    MemoryPubDataStore& store = *image.store;
    store.AddProperty(0, held_.lock, VT_INT);
    store.SetPropertyInt(0, held_.lock, 1);
    if (take.claimExists) {
        store.AddProperty(0, held_.claim, VT_INT);
        store.SetPropertyInt(0, held_.claim, take.claim);
    }
    return true;
}

bool HeldListStore::Release() {
    if (held_.changes.whole) held_.changes.record = image_->store->Snapshot(image_->space, held_.record);
    std::uint64_t version = 0;
    const bool applied = backing_.ApplyList(held_.index, held_.lock, held_.generation,
                                            held_.changed ? &held_.changes : nullptr, &version);
    held_.active = false;
    holdNs_ = (holdNs_ * 7 + (SteadyNs() - heldSinceNs_)) / 8;
    image_->store->SetPropertyInt(0, held_.lock, 0);
    // Written: the image is the list at its new version. Refused: it is not the store's.
    if (!applied) {
        image_->version = 0;
    } else if (held_.changed) {
        image_->version = version;
    }
    return applied;
}

// ---------------------------------------------------------------- spaces

int HeldListStore::SpaceIndex(std::u16string_view name) const {
    const auto it = spaces_.find(name);
    if (it != spaces_.end()) return it->second;
    const int index = backing_.SpaceIndex(name);
    if (index >= 0) spaces_.emplace(std::u16string(name), index);
    return index;
}
bool HeldListStore::AddSpace(std::u16string_view name, int flag) { return backing_.AddSpace(name, flag); }
int HeldListStore::SpaceCount() const { return backing_.SpaceCount(); }

// ---------------------------------------------------------------- properties

bool HeldListStore::FindProperty(int index, std::string_view name) const {
    if (OnProperty(index, name)) return Image([&](PubDataStore& s) { return s.FindProperty(0, name); });
    auto& known = properties_[index];
    if (known.find(name) != known.end()) return true;
    const bool found = backing_.FindProperty(index, name);
    if (found) known.emplace(name);
    return found;
}

bool HeldListStore::AddProperty(int index, std::string_view name, int type) {
    const bool added = backing_.AddProperty(index, name, type);
    if (OnProperty(index, name)) Image([&](PubDataStore& s) { return s.AddProperty(0, name, type); });
    return added;
}

bool HeldListStore::SetPropertySave(int index, std::string_view name, bool save) {
    return backing_.SetPropertySave(index, name, save);
}

bool HeldListStore::PropertySave(int index, std::string_view name) const { return backing_.PropertySave(index, name); }

bool HeldListStore::SetPropertyInt(int index, std::string_view name, int value) {
    const bool set = backing_.SetPropertyInt(index, name, value);
    if (set && OnProperty(index, name)) Image([&](PubDataStore& s) { return s.SetPropertyInt(0, name, value); });
    return set;
}

int HeldListStore::PropertyInt(int index, std::string_view name) const {
    if (OnProperty(index, name)) return Image([&](PubDataStore& s) { return s.PropertyInt(0, name); });
    return backing_.PropertyInt(index, name);
}

bool HeldListStore::CompareSetPropertyInt(int index, std::string_view name, int expected, int desired) {
    // Taking the lock again: the hold before was given up (a library takes a
    // list's lock once at a time), and what it wrote is not applied.
    if (OnProperty(index, name) && name == held_.lock && desired == 1 && expected != desired) Forget();
    if (OnProperty(index, name)) {
        if (name == held_.lock && expected == 1 && desired == 0) return Release();
        // A check that changes nothing is answered as the hold began: ApplyList
        // finds out whether the hold is still this server's.
        if (name == held_.lock || expected == desired) {
            return Image([&](PubDataStore& s) { return s.CompareSetPropertyInt(0, name, expected, desired); });
        }
        const bool granted = backing_.CompareSetPropertyInt(index, name, expected, desired);
        if (granted) Image([&](PubDataStore& s) { return s.SetPropertyInt(0, name, desired); });
        return granted;
    }
    if (!held_.active && desired == 1 && (expected == 0 || expected == 1) && !GuardedRecord(name).empty())
        return Take(index, name, expected);
    return backing_.CompareSetPropertyInt(index, name, expected, desired);
}

std::uint64_t HeldListStore::CompareSetFailures(int index, std::string_view name) const {
    return backing_.CompareSetFailures(index, name);
}
std::uint64_t HeldListStore::CompareSetFailuresTotal() const { return backing_.CompareSetFailuresTotal(); }

PubDataStore::ListLockState HeldListStore::ListLock(int index, std::string_view lock) const {
    return backing_.ListLock(index, lock);
}
PubDataStore::ListTake HeldListStore::TakeList(int index, std::string_view lock, int expected,
                                               std::uint64_t knownVersion) {
    return backing_.TakeList(index, lock, expected, knownVersion);
}
bool HeldListStore::ApplyList(int index, std::string_view lock, std::uint64_t generation, const ListChanges* changes,
                              std::uint64_t* version) {
    return backing_.ApplyList(index, lock, generation, changes, version);
}

// ---------------------------------------------------------------- records and rows

bool HeldListStore::FindRecord(int index, std::string_view rec) const {
    if (OnRecord(index, rec)) return Image([&](PubDataStore& s) { return s.FindRecord(0, rec); });
    return backing_.FindRecord(index, rec);
}
bool HeldListStore::AddRecord(int index, std::string_view rec, int maxRows, int cols) {
    if (OnRecord(index, rec)) return ImageWrite([&](PubDataStore& s) { return s.AddRecord(0, rec, maxRows, cols); });
    return backing_.AddRecord(index, rec, maxRows, cols);
}
bool HeldListStore::RemoveRecord(int index, std::string_view rec) {
    if (OnRecord(index, rec)) return ImageWrite([&](PubDataStore& s) { return s.RemoveRecord(0, rec); });
    return backing_.RemoveRecord(index, rec);
}
bool HeldListStore::SetRecordSave(int index, std::string_view rec, bool save) {
    if (OnRecord(index, rec)) return ImageWrite([&](PubDataStore& s) { return s.SetRecordSave(0, rec, save); });
    return backing_.SetRecordSave(index, rec, save);
}
bool HeldListStore::RecordSave(int index, std::string_view rec) const {
    if (OnRecord(index, rec)) return Image([&](PubDataStore& s) { return s.RecordSave(0, rec); });
    return backing_.RecordSave(index, rec);
}
bool HeldListStore::SetColType(int index, std::string_view rec, int col, int type) {
    if (OnRecord(index, rec)) return ImageWrite([&](PubDataStore& s) { return s.SetColType(0, rec, col, type); });
    return backing_.SetColType(index, rec, col, type);
}
int HeldListStore::ColType(int index, std::string_view rec, int col) const {
    if (OnRecord(index, rec)) return Image([&](PubDataStore& s) { return s.ColType(0, rec, col); });
    return backing_.ColType(index, rec, col);
}
int HeldListStore::MaxRows(int index, std::string_view rec) const {
    if (OnRecord(index, rec)) return Image([&](PubDataStore& s) { return s.MaxRows(0, rec); });
    return backing_.MaxRows(index, rec);
}
int HeldListStore::Rows(int index, std::string_view rec) const {
    if (OnRecord(index, rec)) return Image([&](PubDataStore& s) { return s.Rows(0, rec); });
    return backing_.Rows(index, rec);
}
int HeldListStore::Cols(int index, std::string_view rec) const {
    if (OnRecord(index, rec)) return Image([&](PubDataStore& s) { return s.Cols(0, rec); });
    return backing_.Cols(index, rec);
}
bool HeldListStore::InsertRow(int index, std::string_view rec, int row) {
    if (OnRecord(index, rec))
        return RowWrite({ListOp::Kind::InsertRow, row, 0, {}},
                        [&](PubDataStore& s) { return s.InsertRow(0, rec, row); });
    return backing_.InsertRow(index, rec, row);
}
int HeldListStore::AddRowValues(int index, std::string_view rec, int row, const IVarList& values) {
    if (OnRecord(index, rec)) {
        // The row's place as given (-1 appends); a refusal gives -1 and is not made again.
        const int added = Image([&](PubDataStore& s) { return s.AddRowValues(0, rec, row, values); });
        if (added >= 0) {
            held_.changed = true;
            if (!held_.changes.whole) held_.changes.ops.push_back({ListOp::Kind::AddRowValues, row, 0, Values(values)});
        }
        return added;
    }
    return backing_.AddRowValues(index, rec, row, values);
}
bool HeldListStore::RemoveRow(int index, std::string_view rec, int row) {
    if (OnRecord(index, rec))
        return RowWrite({ListOp::Kind::RemoveRow, row, 0, {}},
                        [&](PubDataStore& s) { return s.RemoveRow(0, rec, row); });
    return backing_.RemoveRow(index, rec, row);
}
bool HeldListStore::ClearRecord(int index, std::string_view rec) {
    if (OnRecord(index, rec))
        return RowWrite({ListOp::Kind::Clear, 0, 0, {}}, [&](PubDataStore& s) { return s.ClearRecord(0, rec); });
    return backing_.ClearRecord(index, rec);
}
int HeldListStore::FindWideStr(int index, std::string_view rec, int col, std::u16string_view value) const {
    if (OnRecord(index, rec)) return Image([&](PubDataStore& s) { return s.FindWideStr(0, rec, col, value); });
    return backing_.FindWideStr(index, rec, col, value);
}
bool HeldListStore::SetRowValues(int index, std::string_view rec, int row, const IVarList& values) {
    if (OnRecord(index, rec)) {
        return RowWrite({ListOp::Kind::SetRowValues, row, 0, Values(values)},
                        [&](PubDataStore& s) { return s.SetRowValues(0, rec, row, values); });
    }
    return backing_.SetRowValues(index, rec, row, values);
}

// ---------------------------------------------------------------- cells

bool HeldListStore::SetInt(int index, std::string_view rec, int row, int col, int value) {
    if (OnRecord(index, rec)) {
        return RowWrite({ListOp::Kind::SetCell, row, col, {HostValue(value)}},
                        [&](PubDataStore& s) { return s.SetInt(0, rec, row, col, value); });
    }
    return backing_.SetInt(index, rec, row, col, value);
}
bool HeldListStore::SetFloat(int index, std::string_view rec, int row, int col, float value) {
    if (OnRecord(index, rec)) {
        return RowWrite({ListOp::Kind::SetCell, row, col, {HostValue(value)}},
                        [&](PubDataStore& s) { return s.SetFloat(0, rec, row, col, value); });
    }
    return backing_.SetFloat(index, rec, row, col, value);
}
bool HeldListStore::SetString(int index, std::string_view rec, int row, int col, std::string_view value) {
    if (OnRecord(index, rec)) {
        return RowWrite({ListOp::Kind::SetCell, row, col, {HostValue(std::string(value))}},
                        [&](PubDataStore& s) { return s.SetString(0, rec, row, col, value); });
    }
    return backing_.SetString(index, rec, row, col, value);
}
bool HeldListStore::SetWideStr(int index, std::string_view rec, int row, int col, std::u16string_view value) {
    if (OnRecord(index, rec)) {
        return RowWrite({ListOp::Kind::SetCell, row, col, {HostValue(std::u16string(value))}},
                        [&](PubDataStore& s) { return s.SetWideStr(0, rec, row, col, value); });
    }
    return backing_.SetWideStr(index, rec, row, col, value);
}
int HeldListStore::QueryInt(int index, std::string_view rec, int row, int col) const {
    if (OnRecord(index, rec)) return Image([&](PubDataStore& s) { return s.QueryInt(0, rec, row, col); });
    return backing_.QueryInt(index, rec, row, col);
}
float HeldListStore::QueryFloat(int index, std::string_view rec, int row, int col) const {
    if (OnRecord(index, rec)) return Image([&](PubDataStore& s) { return s.QueryFloat(0, rec, row, col); });
    return backing_.QueryFloat(index, rec, row, col);
}
bool HeldListStore::QueryString(int index, std::string_view rec, int row, int col, std::string& out) const {
    if (OnRecord(index, rec)) return Image([&](PubDataStore& s) { return s.QueryString(0, rec, row, col, out); });
    return backing_.QueryString(index, rec, row, col, out);
}
bool HeldListStore::QueryWideStr(int index, std::string_view rec, int row, int col, std::u16string& out) const {
    if (OnRecord(index, rec)) return Image([&](PubDataStore& s) { return s.QueryWideStr(0, rec, row, col, out); });
    return backing_.QueryWideStr(index, rec, row, col, out);
}
ObjectId HeldListStore::QueryObject(int index, std::string_view rec, int row, int col) const {
    if (OnRecord(index, rec)) return Image([&](PubDataStore& s) { return s.QueryObject(0, rec, row, col); });
    return backing_.QueryObject(index, rec, row, col);
}

// ---------------------------------------------------------------- whole records: the store's

std::optional<PubDataStore::RecordSnapshot> HeldListStore::Snapshot(std::u16string_view space,
                                                                    std::string_view rec) const {
    return backing_.Snapshot(space, rec);
}
bool HeldListStore::Seed(std::u16string_view space, std::string_view rec, int maxRows, const std::vector<int>& colTypes,
                         const std::vector<std::vector<HostValue>>& rows) {
    return backing_.Seed(space, rec, maxRows, colTypes, rows);
}
std::vector<PubDataStore::RecordInfo> HeldListStore::Records() const { return backing_.Records(); }
bool HeldListStore::SetReleaseHook(ReleaseHook hook) { return backing_.SetReleaseHook(std::move(hook)); }
bool HeldListStore::SetGrantHook(GrantHook hook) { return backing_.SetGrantHook(std::move(hook)); }
