#pragma once
// Every public-data call of one server passes this gate on its way to the
// store: it is counted by operation, and the server halts here when its halt
// trigger fires, as a crash would stop it.
//
// A halted server makes no further call to the store and never unlocks what
// it holds; its kernel answers every call with a neutral result (so the
// callback in progress runs to its end harmlessly) and it takes no further
// events, heartbeats, timers or posted tasks until it is restarted.
#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The public-data operations of the kernel, in slot order.
enum class PubOp : std::uint8_t {
    GetPubDataIndex,
    FindPubData,
    AddPubData,
    FindPubProperty,
    AddPubProperty,
    SetPubPropertySave,
    SetPubPropertyInt,
    CompareSetPubPropertyInt,
    FindPubRecord,
    AddPubRecord,
    RemovePubRecord,
    SetPubRecordSave,
    SetPubRecordColType,
    GetPubRecordColType,
    GetPubRecordMax,
    GetPubRecordRows,
    GetPubRecordCols,
    InsertPubRecordRow,
    AddPubRecordRowValue,
    RemovePubRecordRow,
    ClearPubRecord,
    FindPubRecordWideStr,
    SetPubRecordRowValue,
    SetPubRecordInt,
    SetPubRecordFloat,
    SetPubRecordString,
    SetPubRecordWideStr,
    QueryPubRecordInt,
    QueryPubRecordFloat,
    QueryPubRecordString,
    QueryPubRecordWideStr,
    QueryPubRecordObject,
    FindPubDataRecord,
    GetPubDataRecordRows,
    QueryPubDataRecordInt,
    QueryPubDataRecordWideStr,
    kCount
};
std::string_view PubOpName(PubOp op) noexcept;

// Where a server halts. Calls are counted from 1 once the trigger is armed.
struct HaltTrigger {
    // At this public-data call (0: not by count).
    std::uint64_t atCall = 0;
    // Or, when whileLocked: at the inLock-th public-data call after this server's
    // compare-and-set took a lock property (a name ending in "PubLock"; this one
    // when lock is not empty) to 1 (a take from 0, a takeover from 1), before it
    // gives it back. A lock given back sooner starts the count again at the next take.
    bool whileLocked = false;
    std::string lock;
    std::uint64_t inLock = 1;
    // Only calls of this operation count (kCount: every call).
    PubOp only = PubOp::kCount;
    // Instead of halting: the server pauses there, as a stopped process would,
    // and goes on with that very call once resumed (Unpause). Where pauseWith is
    // given, it is called instead of waiting (for example to stop the process).
    bool pause = false;
    void (*pauseWith)() = nullptr;

    static HaltTrigger AtCall(std::uint64_t n) {
        HaltTrigger t;
        t.atCall = n;
        return t;
    }
    // lock empty: any "...PubLock" property.
    static HaltTrigger InsideLock(std::string lock, std::uint64_t n = 1) {
        HaltTrigger t;
        t.whileLocked = true;
        t.lock = std::move(lock);
        t.inLock = n;
        return t;
    }
    // The n-th call of operation op inside the lock.
    static HaltTrigger InsideLockAt(std::string lock, PubOp op, std::uint64_t n = 1) {
        HaltTrigger t = InsideLock(std::move(lock), n);
        t.only = op;
        return t;
    }
    HaltTrigger Pausing(void (*with)() = nullptr) && {
        pause = true;
        pauseWith = with;
        return std::move(*this);
    }
};

// Nothing here allocates once armed: a call that ran out of memory must fail in
// the store, not in its bookkeeping after the store granted a lock.
class PubDataGate {
public:
    // Counts the call; false when the server is halted or halts at this call (the
    // call is then not made).
    bool Admit(PubOp op) noexcept;
    // Told of every compare-and-set the store granted, to follow the locks this server holds.
    void Granted(std::string_view property, int expected, int desired) noexcept;
    // Told of every compare-and-set the store refused, to count this server's failed lock tries.
    void Refused(std::string_view property, int expected, int desired) noexcept;

    void Arm(HaltTrigger trigger);
    void HaltNow() noexcept;  // at once, whatever the trigger
    // A pausing trigger fired and the server waits there (until Unpause).
    bool Paused() const noexcept { return paused_.load(std::memory_order_acquire); }
    void Unpause();
    bool Halted() const noexcept { return halted_.load(std::memory_order_acquire); }
    // A restart: running again, trigger disarmed, locks forgotten (the counts stay).
    void Resume() noexcept;
    // What the halt interrupted ("SetPubRecordInt, public-data call 17, holding XPubLock"); empty when running.
    const char* HaltedAt() const noexcept { return haltedAt_.data(); }

    // This server's takes of a lock property (0 to 1), its failed tries to take
    // one, and the takes that came only after failed tries (waits); restarts keep them.
    struct LockTries {
        std::uint64_t takes = 0, failed = 0, waits = 0;
    };
    const LockTries& Locks() const noexcept { return locks_; }

    std::uint64_t Calls() const noexcept { return total_; }  // calls made, all operations
    std::uint64_t Calls(PubOp op) const noexcept { return byOp_[static_cast<std::size_t>(op)]; }
    // Operations with at least one call, in slot order.
    std::vector<std::pair<std::string_view, std::uint64_t>> CallsByOperation() const;

private:
    bool Fires(PubOp op) noexcept;
    void Halt(PubOp op) noexcept;
    void Pause();

    std::array<std::uint64_t, static_cast<std::size_t>(PubOp::kCount)> byOp_{};
    std::uint64_t total_ = 0;
    std::atomic<bool> halted_{false};
    std::atomic<bool> paused_{false};
    std::mutex pauseMutex_;
    std::condition_variable unpaused_;
    std::array<char, 160> haltedAt_{};
    bool armed_ = false;
    HaltTrigger trigger_;
    std::uint64_t sinceArmed_ = 0;
    int held_ = 0;                     // lock properties this server holds
    std::array<char, 64> lastHeld_{};  // the one taken last (cut short past 63 characters)
    std::uint64_t inLock_ = 0;         // calls since the watched lock was taken; 0 while not held
    LockTries locks_;
    bool waiting_ = false;  // a try to take a lock failed since this server's last take
};
