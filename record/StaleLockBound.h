#pragma once
// How long a waiter keeps trying a list's lock before it treats the holder as a
// server that stopped while holding it (crashed, killed, hung) and takes the
// lock over. The reasoning behind the default is in StaleLockBound.cpp.
//
// Operators change the bound without a rebuild through the environment variable
// VOGAME_LOCK_STALE_MS (whole milliseconds), read once per load of the library.
#include <cstdint>

class IKernel;

namespace StaleLock {

inline constexpr const char* kVariable = "VOGAME_LOCK_STALE_MS";
inline constexpr std::int64_t kDefaultMs = 10'000;
// Below the lowest, an ordinary hold on a slow store could be taken for a
// stopped server; above the highest, a stopped server freezes the others for
// longer than any operator would wait.
inline constexpr std::int64_t kLowestMs = 10;
inline constexpr std::int64_t kHighestMs = 600'000;

// The bound in force. The first call reads the variable; a value that is not a
// whole number of milliseconds within the bounds is logged through this kernel
// and the default kept.
std::int64_t BoundMs(IKernel* kernel);

// A whole number of milliseconds from kLowestMs to kHighestMs, blanks around it
// allowed; false otherwise.
bool ParseBoundMs(const char* text, std::int64_t& out);

// How long a waiter has seen one hold last: the time between its own looks at
// the lock, each gap counted only up to a cap. So the bound measures the holder:
// a gap in which the waiter itself did not run (descheduled, stopped) or waited
// on a store that did not answer (frozen) counts for little, since the holder
// may have been just as stuck, and it cannot have been seen meanwhile.
class HolderTime {
public:
    HolderTime(std::int64_t boundNs, std::int64_t nowNs) noexcept;
    // A look at nowNs: true once the hold has been seen for the whole bound.
    bool Look(std::int64_t nowNs) noexcept;
    // The hold changed (or was given up): seen from nowNs afresh.
    void Restart(std::int64_t nowNs) noexcept;
    std::int64_t SeenNs() const noexcept { return seen_; }
    // The most a single gap counts: an eighth of the bound, but no less than a
    // gap a busy machine makes anyway.
    static std::int64_t CapNs(std::int64_t boundNs) noexcept;

private:
    std::int64_t bound_;
    std::int64_t cap_;
    std::int64_t last_;
    std::int64_t seen_ = 0;
};

}  // namespace StaleLock
