#pragma once
// The lock of one shared list: the integer property named after the record
// followed by "PubLock" (0 free, 1 held), and the takeover claim beside it
// (TakeoverClaim.h). Owned by the list's PubRecordHandle, which asks it before
// every write of a hold. Built on the stack, owns no host state.
#include <cstdint>
#include <string>

#include "../module/IKernel.h"

class ListLock {
public:
    // recordName is the caller's text and must outlive the lock.
    ListLock(IKernel* kernel, int pubIndex, const char* recordName);
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;

    enum class Outcome {
        Taken,       // it was free, or freed while we waited
        TakenOver,   // its holder kept it past the stale bound: taken as left by a stopped server
        Unanswered,  // the store answered none of the tries: nothing is held, and every write is refused
    };
    // Takes the lock, creating its property and the takeover claim beside it
    // when missing. While another holds it the tries back off (pause, yield,
    // then short sleeps). When this waiter has seen the hold for the whole
    // stale bound (StaleLockBound.h: the holder's time, not the waiter's) with
    // the claim unchanged, the holder is taken to have stopped: the waiter
    // claims the takeover, takes the lock over with a compare-and-set from 1 to
    // 1 (its value stays 1), writes one line naming the list and the time
    // waited to the kernel's log, counts the takeover and goes on as the
    // holder. Only one waiter takes over; a claim whose claimant has not
    // finished within a further bound is claimed past. The caller repairs the
    // list before it goes on (LockedList does).
    // A store that answers neither the tries nor the takeover's calls for the
    // bound is not answering at all: the wait ends Unanswered, one line goes to
    // the log, and until a try is answered again every later wait ends so at
    // once (one more line, with the count, when it is).
    Outcome Lock();
    // Gives the lock back, and after a takeover the claim too (the lock first):
    // unless the hold was taken over, which the check before the release finds
    // (a taken-over holder gives back nothing of another's). Never allocates.
    void Unlock() noexcept;
    // Lock takeovers made by this load of the library.
    static std::uint64_t Takeovers() noexcept;

    // Before a write: true outside a hold; within one, whether the hold is
    // still this lock's (the claim still holds its generation). A hold found
    // taken over writes one line to the kernel's log and stays lost.
    bool MayWrite() noexcept;
    // Whether this hold was found taken over, or never began (Unanswered).
    bool HoldLost() const noexcept { return lost_; }
    // Makes the lock and its claim when missing (both free).
    void EnsureProperty();

    const char* Name() const noexcept { return lockName_; }

private:
    bool TryLock();
    // The claim's value now, searched from the value last seen; a claim holding
    // a value out of reach is set back to 0 (and that logged).
    int LearnClaim(int from);
    Outcome BeginHold(Outcome outcome, int generation);
    Outcome BeginTakenHold();
    Outcome GiveUp(std::int64_t waitedNs);
    void ReportAnswersAgain() noexcept;
    void ReportTakeover(std::int64_t waitedNs);
    void ReportLost() noexcept;

    IKernel* kernel_;
    int pubIndex_;
    const char* recordName_;
    const char* lockName_;  // points into lockInline_ or lockHeap_
    char lockInline_[64];
    std::string lockHeap_;
    const char* claimName_;  // the lock's name followed by "Takeover": in claimInline_ or claimHeap_
    char claimInline_[72];
    std::string claimHeap_;
    bool holding_ = false;
    bool holdsClaim_ = false;  // a takeover: the claim is ours until Unlock
    bool lost_ = false;        // the hold was found taken over, or never began
    int generation_ = 0;       // the claim's value the hold is under
    std::int64_t boundNs_ = 0;
};
