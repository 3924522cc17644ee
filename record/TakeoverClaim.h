#pragma once
// The takeover claim beside a list's lock (the lock's name followed by
// "Takeover"): an int that moves on at every takeover. Even, no takeover is under way;
// odd, a waiter has claimed the takeover of the lock and goes on as its holder
// until it gives the lock and then the claim back (to the next even value).
//
// Its value is the generation of every hold of the lock: a holder remembers the
// value it holds the lock under and, before each of its writes, checks that it
// still stands (a compare-and-set that changes nothing). A takeover of its hold
// changes it, and it does not come back (see kCycle), so a server resumed
// after a pause finds out before it writes, however long ago the takeover ended.
//
// The kernel offers no read of a property, so the value is found by such checks,
// from the value this load of the library last saw: takeovers are rare, and
// each moves the claim on by two. The values go round a cycle of kCycle, so the
// search always ends; a value comes back only after kCycle / 2 takeovers, each
// a whole stale bound apart, far longer than any pause a holder comes back from.
#include "../module/IKernel.h"

namespace TakeoverClaim {

inline constexpr int kCycle = 4096;

inline bool Free(int value) noexcept { return value % 2 == 0; }
// The value after this one: a takeover claimed (from a free value), or given back.
inline int Next(int value) noexcept { return (value + 1) % kCycle; }

// The value this load last saw for the lock (0 when none).
int Known(int pubIndex, const char* lockName) noexcept;
void Remember(int pubIndex, const char* lockName, int value) noexcept;

// Whether the claim holds value (a compare-and-set that changes nothing).
bool Holds(IKernel* kernel, int pubIndex, const char* claimName, int value);

// The claim's present value, searched round the cycle from `from`; -1 when it
// holds no value of the cycle (it was written by something else). Remembered
// when found.
int Learn(IKernel* kernel, int pubIndex, const char* lockName, const char* claimName, int from);

}  // namespace TakeoverClaim
