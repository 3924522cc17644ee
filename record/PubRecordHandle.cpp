#include "PubRecordHandle.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "../Utility/NullText.h"
#include "../Utility/NumberText.h"
#include "../Utility/Platform.h"
#include "../Utility/WideText.h"
#include "RecordImage.h"
#include "StaleLockBound.h"
#include "TakeoverClaim.h"

namespace {
constexpr const char kLockSuffix[] = "PubLock";
constexpr const char kClaimSuffix[] = "Takeover";

std::atomic<std::uint64_t> g_takeovers{0};

// Between two rounds of tries. Most holds end within microseconds: a few tries
// with a pause catch those; then the time slice goes to other threads (the
// holder may need this core), then short sleeps, growing to a millisecond, so
// a server waiting on a long hold, or on a stopped holder, burns little CPU and
// asks a remote store little. After a sleep a round makes a few tries, a yield
// apart: a lock that other servers keep taking in turn is free only for moments,
// and a single try after each sleep could miss every one of them until the
// stale bound ran out.
constexpr unsigned kPauses = 64;
constexpr unsigned kYields = 64;
constexpr unsigned kTriesAfterSleep = 4;

void BackOff(unsigned round) noexcept {
    constexpr unsigned kSleepsPerStep = 8;
    constexpr std::uint32_t kFirstSleepUs = 50;
    constexpr std::uint32_t kLongestSleepUs = 1000;
    if (round < kPauses) {
        Platform::CpuRelax();
    } else if (round < kPauses + kYields) {
        Platform::YieldThread();
    } else {
        const unsigned step = std::min((round - kPauses - kYields) / kSleepsPerStep, 5u);
        Platform::SleepMicroseconds(std::min(kFirstSleepUs << step, kLongestSleepUs));
    }
}

unsigned TriesInRound(unsigned round) noexcept { return round < kPauses + kYields ? 1 : kTriesAfterSleep; }

// A name followed by a suffix, in the room given when it fits, else on the heap.
const char* Joined(const char* name, const char* suffix, char* room, std::size_t size, std::string& heap) {
    const std::size_t len = std::strlen(name), extra = std::strlen(suffix);
    if (len + extra < size) {
        std::memcpy(room, name, len);
        std::memcpy(room + len, suffix, extra + 1);
        return room;
    }
    room[0] = '\0';
    heap.assign(name, len).append(suffix);
    return heap.c_str();
}
}  // namespace

PubRecordHandle::PubRecordHandle(IKernel* kernel, const char16_t* pubName, const char* recordName)
    : kernel_(kernel), recordName_(OrEmpty(recordName)) {
    lockName_ = Joined(recordName_, kLockSuffix, lockInline_, sizeof lockInline_, lockHeap_);
    claimName_ = Joined(lockName_, kClaimSuffix, claimInline_, sizeof claimInline_, claimHeap_);
    // The index tells whether the space exists: one call when it does.
    pubIndex_ = kernel_->GetPubDataIndex(pubName);
    if (pubIndex_ < 0) {
        kernel_->AddPubData(pubName, 1);
        pubIndex_ = kernel_->GetPubDataIndex(pubName);
    }
}

// The claim is made right after the lock and never removed: when it exists, so
// does the lock, and one call finds both.
void PubRecordHandle::EnsureLockProperty() {
    if (kernel_->FindPubProperty(pubIndex_, claimName_)) return;
    if (!kernel_->FindPubProperty(pubIndex_, lockName_)) {
        kernel_->AddPubProperty(pubIndex_, lockName_, VT_INT);
        kernel_->SetPubPropertySave(pubIndex_, lockName_, false);
    }
    kernel_->AddPubProperty(pubIndex_, claimName_, VT_INT);
    kernel_->SetPubPropertySave(pubIndex_, claimName_, false);
}

bool PubRecordHandle::TryLock() { return kernel_->CompareSetPubPropertyInt(pubIndex_, lockName_, 0, 1); }

int PubRecordHandle::LearnClaim(int from) {
    const int value = TakeoverClaim::Learn(kernel_, pubIndex_, lockName_, claimName_, from);
    if (value >= 0) return value;
    // Written by something other than this protocol: start it again, so takeovers stay possible.
    kernel_->SetPubPropertyInt(pubIndex_, claimName_, 0);
    TakeoverClaim::Remember(pubIndex_, lockName_, 0);
    char line[240];
    std::snprintf(line, sizeof line, "PubRecordHandle: the takeover claim %s held a value of no takeover; set to 0",
                  claimName_);
    try {
        kernel_->WriteLog(line);
    } catch (const std::bad_alloc&) {
        // Set back all the same.
    }
    return 0;
}

PubRecordHandle::LockOutcome PubRecordHandle::BeginHold(LockOutcome outcome, int generation) {
    holding_ = true;
    lost_ = false;
    generation_ = generation;
    return outcome;
}

PubRecordHandle::LockOutcome PubRecordHandle::BeginTakenHold() {
    // The claim as this hold begins: no waiter can have taken a hold this young
    // over, so whatever value stands is the hold's (found from the value last
    // seen, which stands unless a takeover of some other hold moved it).
    int claim = TakeoverClaim::Known(pubIndex_, lockName_);
    if (!TakeoverClaim::Holds(kernel_, pubIndex_, claimName_, claim)) claim = LearnClaim(claim);
    return BeginHold(LockOutcome::Taken, claim);
}

PubRecordHandle::LockOutcome PubRecordHandle::Lock() {
    // Read (and a bad setting reported) at the first lock, not the first wait.
    boundNs_ = StaleLock::BoundMs(kernel_) * 1'000'000;
    EnsureLockProperty();
    if (TryLock()) return BeginTakenHold();
    StaleLock::HolderTime seen(boundNs_, Platform::MonotonicNanoseconds());
    // The claim as last seen: it does not come back, so finding it there at the end of
    // the bound means it did not move meanwhile (and costs no call now).
    int claim = TakeoverClaim::Known(pubIndex_, lockName_);
    for (unsigned round = 1;; ++round) {
        BackOff(round);
        for (unsigned t = 0; t < TriesInRound(round); ++t) {
            if (t > 0) Platform::YieldThread();
            if (TryLock()) return BeginTakenHold();
        }
        const std::int64_t now = Platform::MonotonicNanoseconds();
        if (!seen.Look(now)) continue;
        // Seen held for the whole bound. A claim that moved meanwhile is another
        // waiter's takeover (or its end): that hold is new, and is given a bound.
        const int present = LearnClaim(claim);
        if (present != claim) {
            claim = present;
            seen.Restart(now);
            continue;
        }
        // Free: claim it. Claimed, and its claimant not finished within the bound:
        // it stopped too, and is claimed past. Ours only if the compare-and-set is.
        const int ours = TakeoverClaim::Next(TakeoverClaim::Free(claim) ? claim : TakeoverClaim::Next(claim));
        if (!kernel_->CompareSetPubPropertyInt(pubIndex_, claimName_, claim, ours)) {
            claim = LearnClaim(claim);
            seen.Restart(now);
            continue;
        }
        TakeoverClaim::Remember(pubIndex_, lockName_, ours);
        if (TryLock()) {
            // Given back at the last moment after all: so is the claim, or the next
            // takeover would wait a second bound.
            kernel_->CompareSetPubPropertyInt(pubIndex_, claimName_, ours, TakeoverClaim::Next(ours));
            TakeoverClaim::Remember(pubIndex_, lockName_, TakeoverClaim::Next(ours));
            return BeginHold(LockOutcome::Taken, TakeoverClaim::Next(ours));
        }
        if (kernel_->CompareSetPubPropertyInt(pubIndex_, lockName_, 1, 1)) {
            holdsClaim_ = true;
            ReportTakeover(seen.SeenNs());
            return BeginHold(LockOutcome::TakenOver, ours);
        }
        // Freed and taken again between the two tries: a live holder after all.
        kernel_->CompareSetPubPropertyInt(pubIndex_, claimName_, ours, TakeoverClaim::Next(ours));
        TakeoverClaim::Remember(pubIndex_, lockName_, TakeoverClaim::Next(ours));
        claim = TakeoverClaim::Next(ours);
        seen.Restart(now);
    }
}

void PubRecordHandle::ReportTakeover(std::int64_t waitedNs) {
    const std::uint64_t count = g_takeovers.fetch_add(1, std::memory_order_relaxed) + 1;
    // Built without the heap: the lock is ours now and must reach its repair.
    char line[320];
    std::snprintf(line, sizeof line,
                  "PubRecordHandle: lock %s of the list %s was held without a release for %lld ms; taken over as left "
                  "by a stopped server (takeover %llu of this server)",
                  lockName_, recordName_, static_cast<long long>(waitedNs / 1'000'000),
                  static_cast<unsigned long long>(count));
    try {
        kernel_->WriteLog(line);
    } catch (const std::bad_alloc&) {
        // The line is lost; the takeover goes on.
    }
}

void PubRecordHandle::ReportLost() noexcept {
    char line[320];
    std::snprintf(line, sizeof line,
                  "PubRecordHandle: lock %s of the list %s was taken over by another server while this server held "
                  "it; this server's rewrite is given up",
                  lockName_, recordName_);
    try {
        kernel_->WriteLog(line);
    } catch (const std::bad_alloc&) {
        // The rewrite is given up all the same.
    }
}

bool PubRecordHandle::MayWrite() noexcept {
    if (!holding_) return true;
    if (lost_) return false;
    if (TakeoverClaim::Holds(kernel_, pubIndex_, claimName_, generation_)) return true;
    // A hold taken while a takeover was ending (the lock given back, the claim
    // not yet) sees that claim given back too: the hold is still this one's.
    if (!TakeoverClaim::Free(generation_) &&
        TakeoverClaim::Holds(kernel_, pubIndex_, claimName_, TakeoverClaim::Next(generation_))) {
        generation_ = TakeoverClaim::Next(generation_);
        TakeoverClaim::Remember(pubIndex_, lockName_, generation_);
        return true;
    }
    lost_ = true;
    ReportLost();
    return false;
}

void PubRecordHandle::Unlock() noexcept {
    if (!holding_) return;
    const bool mine = MayWrite();
    holding_ = false;
    if (!mine) return;
    kernel_->CompareSetPubPropertyInt(pubIndex_, lockName_, 1, 0);
    if (holdsClaim_) {
        // The lock first: a waiter must never see the claim free while we still hold it.
        kernel_->CompareSetPubPropertyInt(pubIndex_, claimName_, generation_, TakeoverClaim::Next(generation_));
        TakeoverClaim::Remember(pubIndex_, lockName_, TakeoverClaim::Next(generation_));
        holdsClaim_ = false;
    }
}

std::uint64_t PubRecordHandle::Takeovers() noexcept { return g_takeovers.load(std::memory_order_relaxed); }

bool PubRecordHandle::CreateRecord(int maxRows, int cols) {
    if (!MayWrite()) return false;
    const bool added = kernel_->AddPubRecord(pubIndex_, recordName_, maxRows, cols);
    if (added) EnsureLockProperty();
    return added;
}

bool PubRecordHandle::AddRecord(int maxRows, int cols) {
    if (!MayWrite()) return false;
    return kernel_->AddPubRecord(pubIndex_, recordName_, maxRows, cols);
}

bool PubRecordHandle::RemoveRecord() { return MayWrite() && kernel_->RemovePubRecord(pubIndex_, recordName_); }

bool PubRecordHandle::SetMaxRows(int maxRows) {
    if (pubIndex_ < 0 || maxRows <= 0) return false;
    const int oldMax = MaxRows();
    if (oldMax < 0 || maxRows == oldMax) return false;  // missing, or nothing to change
    // Everything is read before anything is removed: running out of memory here
    // leaves the record untouched.
    RecordImage saved;
    saved.Take(*this);
    if (saved.Cols() <= 0) return false;
    const int keep = std::min(saved.Rows(), maxRows);
    const bool defaultsComplete = std::all_of(saved.Types().begin(), saved.Types().end(), [](int type) {
        return type == VT_INT || type == VT_FLOAT || type == VT_STRING || type == VT_WIDESTR;
    });

    RemoveRecord();
    bool created = false;
    try {
        created = saved.Recreate(*this, maxRows, keep);
    } catch (const std::bad_alloc&) {
        // Put the old record back, whole, before the shortage is reported.
        RemoveRecord();
        saved.Recreate(*this, oldMax, saved.Rows());
        throw;
    }
    if (!created) {
        // Put the old record back with all its rows rather than lose the list.
        const bool restored = saved.Recreate(*this, oldMax, saved.Rows());
        const std::string text = std::string("PubRecordHandle::SetMaxRows: cannot re-create record ") + recordName_ +
                                 " with " + std::to_string(maxRows) + " rows; " +
                                 (restored ? "kept it as it was" : "could not put it back either");
        kernel_->WriteLog(text.c_str());
        return false;
    }
    for (int row = keep; row < maxRows; ++row) {
        // A new row holds the default of each column's type: 0, 0.0, empty text.
        if (!defaultsComplete) return false;  // a column type without a default value
        if (!InsertDefaultRow(row)) return false;
    }
    return true;
}

bool PubRecordHandle::SetSave(bool save) { return MayWrite() && kernel_->SetPubRecordSave(pubIndex_, recordName_, save); }

bool PubRecordHandle::Exists() { return kernel_->FindPubRecord(pubIndex_, recordName_); }

int PubRecordHandle::FindRowByName(const char16_t* name) {
    return kernel_->FindPubRecordWideStr(pubIndex_, recordName_, 0, OrEmpty(name));
}

int PubRecordHandle::CellInt(int row, int col) { return kernel_->QueryPubRecordInt(pubIndex_, recordName_, row, col); }

float PubRecordHandle::CellFloat(int row, int col) {
    return kernel_->QueryPubRecordFloat(pubIndex_, recordName_, row, col);
}

std::string PubRecordHandle::CellString(int row, int col) {
    return std::string(CellText(row, col));
}

std::u16string PubRecordHandle::CellWideString(int row, int col) {
    return std::u16string(CellWideText(row, col));
}

ObjectId PubRecordHandle::CellObject(int row, int col) {
    return kernel_->QueryPubRecordObject(pubIndex_, recordName_, row, col);
}

const char* PubRecordHandle::CellText(int row, int col) {
    return OrEmpty(kernel_->QueryPubRecordString(pubIndex_, recordName_, row, col));
}

const char16_t* PubRecordHandle::CellWideText(int row, int col) {
    return OrEmpty(kernel_->QueryPubRecordWideStr(pubIndex_, recordName_, row, col));
}

bool PubRecordHandle::SetCell(int row, int col, int value) {
    switch (ColumnType(col)) {
        case VT_INT: return SetCellInt(row, col, value);
        case VT_FLOAT: return SetCellFloat(row, col, static_cast<float>(value));
        case VT_STRING: return SetCellString(row, col, IntToString(value).c_str());
        case VT_WIDESTR: return SetCellWideString(row, col, IntToWide(value).c_str());
        default: return false;
    }
}

bool PubRecordHandle::SetCell(int row, int col, const char* value) {
    value = OrEmpty(value);
    switch (ColumnType(col)) {
        case VT_INT: return SetCellInt(row, col, StringToInt(value));
        case VT_FLOAT: return SetCellFloat(row, col, StringToFloat(value));
        case VT_STRING: return SetCellString(row, col, value);
        case VT_WIDESTR: return SetCellWideString(row, col, StringToWide(value, 0).c_str());
        default: return false;
    }
}

bool PubRecordHandle::SetCell(int row, int col, const char16_t* value) {
    value = OrEmpty(value);
    switch (ColumnType(col)) {
        case VT_INT: return SetCellInt(row, col, WideToInt(value));
        case VT_FLOAT: return SetCellFloat(row, col, WideToFloat(value));
        case VT_STRING: return SetCellString(row, col, WideToString(value, 0).c_str());
        case VT_WIDESTR: return SetCellWideString(row, col, value);
        default: return false;
    }
}

bool PubRecordHandle::SetCellInt(int row, int col, int value) {
    return MayWrite() && kernel_->SetPubRecordInt(pubIndex_, recordName_, row, col, value);
}

bool PubRecordHandle::SetCellFloat(int row, int col, float value) {
    return MayWrite() && kernel_->SetPubRecordFloat(pubIndex_, recordName_, row, col, value);
}

bool PubRecordHandle::SetCellString(int row, int col, const char* value) {
    return MayWrite() && kernel_->SetPubRecordString(pubIndex_, recordName_, row, col, OrEmpty(value));
}

bool PubRecordHandle::SetCellWideString(int row, int col, const char16_t* value) {
    return MayWrite() && kernel_->SetPubRecordWideStr(pubIndex_, recordName_, row, col, OrEmpty(value));
}

bool PubRecordHandle::CopyRowToList(int row, IVarList& list) {
    if (row < 0 || row >= Rows()) return false;
    const int cols = Cols();
    for (int col = 0; col < cols; ++col) {
        switch (ColumnType(col)) {
            case VT_INT: list.PushInt(CellInt(row, col)); break;
            case VT_FLOAT: list.PushFloat(CellFloat(row, col)); break;
            case VT_STRING: list.PushString(CellText(row, col)); break;
            case VT_WIDESTR: list.PushWideString(CellWideText(row, col)); break;
            case VT_OBJECT: list.PushObject(CellObject(row, col)); break;
            default: break;
        }
    }
    return true;
}

int PubRecordHandle::Rows() { return kernel_->GetPubRecordRows(pubIndex_, recordName_); }

int PubRecordHandle::Cols() { return kernel_->GetPubRecordCols(pubIndex_, recordName_); }

int PubRecordHandle::MaxRows() { return kernel_->GetPubRecordMax(pubIndex_, recordName_); }

int PubRecordHandle::ColumnType(int col) { return kernel_->GetPubRecordColType(pubIndex_, recordName_, col); }

bool PubRecordHandle::SetColumnType(int col, int type) {
    return MayWrite() && kernel_->SetPubRecordColType(pubIndex_, recordName_, col, type);
}

void PubRecordHandle::SetColumnTypes(std::span<const int> types) {
    for (std::size_t col = 0; col < types.size(); ++col) SetColumnType(static_cast<int>(col), types[col]);
}

int PubRecordHandle::AddRow(int row, const IVarList& values) {
    if (!MayWrite()) return -1;
    return kernel_->AddPubRecordRowValue(pubIndex_, recordName_, row, values);
}

bool PubRecordHandle::SetRow(int row, const IVarList& values) {
    return MayWrite() && kernel_->SetPubRecordRowValue(pubIndex_, recordName_, row, values);
}

bool PubRecordHandle::InsertDefaultRow(int row) { return MayWrite() && kernel_->InsertPubRecordRow(pubIndex_, recordName_, row); }

bool PubRecordHandle::RemoveRow(int row) { return MayWrite() && kernel_->RemovePubRecordRow(pubIndex_, recordName_, row); }

bool PubRecordHandle::Clear() { return MayWrite() && kernel_->ClearPubRecord(pubIndex_, recordName_); }
