#include "ListLock.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "../module/ValueType.h"
#include "../Utility/Platform.h"
#include "StaleLockBound.h"
#include "TakeoverClaim.h"

// Its log lines keep the "PubRecordHandle:" prefix they had when the lock lived
// in the handle: operators and the host contract know them by it.
namespace {
constexpr const char kLockSuffix[] = "PubLock";
constexpr const char kClaimSuffix[] = "Takeover";

std::atomic<std::uint64_t> g_takeovers{0};

// Set once a wait was given up because the store did not answer: the next wait
// asks the store once and gives up at once while it still does not, instead of
// blocking the logic thread for another bound. Counts the rewrites given up meanwhile.
std::atomic<bool> g_storeSilent{false};
std::atomic<std::uint64_t> g_givenUpSilent{0};

constexpr int kUnanswered = -1;  // LearnClaim: the store answered neither the search nor the reset

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

ListLock::ListLock(IKernel* kernel, int pubIndex, const char* recordName)
    : kernel_(kernel), pubIndex_(pubIndex), recordName_(recordName) {
    lockName_ = Joined(recordName_, kLockSuffix, lockInline_, sizeof lockInline_, lockHeap_);
    claimName_ = Joined(lockName_, kClaimSuffix, claimInline_, sizeof claimInline_, claimHeap_);
}

// The claim is made right after the lock and never removed: when it exists, so
// does the lock, and one call finds both.
void ListLock::EnsureProperty() {
    if (kernel_->FindPubProperty(pubIndex_, claimName_)) return;
    if (!kernel_->FindPubProperty(pubIndex_, lockName_)) {
        kernel_->AddPubProperty(pubIndex_, lockName_, VT_INT);
        kernel_->SetPubPropertySave(pubIndex_, lockName_, false);
    }
    kernel_->AddPubProperty(pubIndex_, claimName_, VT_INT);
    kernel_->SetPubPropertySave(pubIndex_, claimName_, false);
}

bool ListLock::TryLock() {
    if (!kernel_->CompareSetPubPropertyInt(pubIndex_, lockName_, 0, 1)) return false;
    if (g_storeSilent.load(std::memory_order_relaxed)) ReportAnswersAgain();
    return true;
}

int ListLock::LearnClaim(int from) {
    const int value = TakeoverClaim::Learn(kernel_, pubIndex_, lockName_, claimName_, from);
    if (value >= 0) return value;
    // Written by something other than this protocol: start it again, so takeovers
    // stay possible. A store that refuses that too is not answering at all.
    if (!kernel_->SetPubPropertyInt(pubIndex_, claimName_, 0)) return kUnanswered;
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

ListLock::Outcome ListLock::BeginHold(Outcome outcome, int generation) {
    holding_ = true;
    lost_ = false;
    generation_ = generation;
    return outcome;
}

ListLock::Outcome ListLock::BeginTakenHold() {
    // The claim as this hold begins: no waiter can have taken a hold this young
    // over, so whatever value stands is the hold's (found from the value last
    // seen, which stands unless a takeover of some other hold moved it).
    int claim = TakeoverClaim::Known(pubIndex_, lockName_);
    if (!TakeoverClaim::Holds(kernel_, pubIndex_, claimName_, claim)) claim = std::max(LearnClaim(claim), 0);
    return BeginHold(Outcome::Taken, claim);
}

ListLock::Outcome ListLock::GiveUp(std::int64_t waitedNs) {
    g_givenUpSilent.fetch_add(1, std::memory_order_relaxed);
    if (!g_storeSilent.exchange(true, std::memory_order_relaxed)) {
        char line[400];
        std::snprintf(line, sizeof line,
                      "PubRecordHandle: lock %s of the list %s could not be taken: the public data store did not "
                      "answer for %lld ms; this server's rewrite is given up, and so is every list rewrite until the "
                      "store answers again",
                      lockName_, recordName_, static_cast<long long>(waitedNs / 1'000'000));
        try {
            kernel_->WriteLog(line);
        } catch (const std::bad_alloc&) {
            // The line is lost; the rewrite is given up all the same.
        }
    }
    // A hold that holds nothing: every write refused, nothing given back.
    BeginHold(Outcome::Unanswered, 0);
    lost_ = true;
    return Outcome::Unanswered;
}

void ListLock::ReportAnswersAgain() noexcept {
    if (!g_storeSilent.exchange(false, std::memory_order_relaxed)) return;
    char line[240];
    std::snprintf(line, sizeof line,
                  "PubRecordHandle: the public data store answers the list locks again; %llu list rewrites were given "
                  "up while it did not",
                  static_cast<unsigned long long>(g_givenUpSilent.exchange(0, std::memory_order_relaxed)));
    try {
        kernel_->WriteLog(line);
    } catch (const std::bad_alloc&) {
        // The line is lost; the lock goes on.
    }
}

ListLock::Outcome ListLock::Lock() {
    // Read (and a bad setting reported) at the first lock, not the first wait.
    boundNs_ = StaleLock::BoundMs(kernel_) * 1'000'000;
    EnsureProperty();
    if (TryLock()) return BeginTakenHold();
    if (g_storeSilent.load(std::memory_order_relaxed)) {
        // Found not answering before: asked once more through the claim, with
        // calls that change nothing on a store that answers (a compare-and-set
        // of the lock from 1 to 1 would take it over).
        const int known = TakeoverClaim::Known(pubIndex_, lockName_);
        if (!TakeoverClaim::Holds(kernel_, pubIndex_, claimName_, known) && LearnClaim(known) == kUnanswered)
            return GiveUp(0);
        ReportAnswersAgain();
    }
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
        if (present == kUnanswered) return GiveUp(seen.SeenNs());
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
            if (claim == kUnanswered) return GiveUp(seen.SeenNs());
            seen.Restart(now);
            continue;
        }
        TakeoverClaim::Remember(pubIndex_, lockName_, ours);
        if (TryLock()) {
            // Given back at the last moment after all: so is the claim, or the next
            // takeover would wait a second bound.
            kernel_->CompareSetPubPropertyInt(pubIndex_, claimName_, ours, TakeoverClaim::Next(ours));
            TakeoverClaim::Remember(pubIndex_, lockName_, TakeoverClaim::Next(ours));
            return BeginHold(Outcome::Taken, TakeoverClaim::Next(ours));
        }
        if (kernel_->CompareSetPubPropertyInt(pubIndex_, lockName_, 1, 1)) {
            holdsClaim_ = true;
            ReportTakeover(seen.SeenNs());
            return BeginHold(Outcome::TakenOver, ours);
        }
        // Freed and taken again between the two tries: a live holder after all.
        kernel_->CompareSetPubPropertyInt(pubIndex_, claimName_, ours, TakeoverClaim::Next(ours));
        TakeoverClaim::Remember(pubIndex_, lockName_, TakeoverClaim::Next(ours));
        claim = TakeoverClaim::Next(ours);
        seen.Restart(now);
    }
}

void ListLock::ReportTakeover(std::int64_t waitedNs) {
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

void ListLock::ReportLost() noexcept {
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

bool ListLock::MayWrite() noexcept {
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

void ListLock::Unlock() noexcept {
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

std::uint64_t ListLock::Takeovers() noexcept { return g_takeovers.load(std::memory_order_relaxed); }
