#pragma once
// The takeover claim beside a list's lock (the lock's name followed by
// "Takeover"): an int that only ever grows. Even, no takeover is under way;
// odd, a waiter has claimed the takeover of the lock and goes on as its holder
// until it gives the lock and then the claim back (to the next even value).
//
// Its value is the generation of every hold of the lock: a holder remembers the
// value it holds the lock under and, before each of its writes, checks that it
// still stands (a compare-and-set that changes nothing). A takeover of its hold
// changes it, and it never comes back, so a server resumed after a pause finds
// out before it writes, however long ago the takeover ended.
//
// The kernel offers no read of a property, so the value is found by such checks,
// from the value this load of the library last saw: takeovers are rare, and
// each moves the claim on by two.
#include "IKernel.h"

namespace TakeoverClaim {

inline bool Free(int value) noexcept { return value % 2 == 0; }

// The value this load last saw for the lock (0 when none).
int Known(int pubIndex, const char* lockName) noexcept;
void Remember(int pubIndex, const char* lockName, int value) noexcept;

// Whether the claim holds value (a compare-and-set that changes nothing).
bool Holds(IKernel* kernel, int pubIndex, const char* claimName, int value);

// The claim's present value, searched from `from` upward, then below it; -1
// when no value within reach stands (the claim was written by something else).
// Remembered when found.
int Learn(IKernel* kernel, int pubIndex, const char* lockName, const char* claimName, int from);

}  // namespace TakeoverClaim
