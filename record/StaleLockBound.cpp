#include "StaleLockBound.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "../Utility/Platform.h"
#include "../module/IKernel.h"

// Why 10 seconds. The longest legitimate holds of a list's lock are the whole-
// list operations: the 150-row re-sorts, the player list's migration and
// resize, the charm list's rebuild, the daily prize, and the replies, which read
// a whole list under its lock. The performance suite measures each of them
// (bench/lock_holds.cpp, reported by scripts/bench-all.sh): with the in-memory
// host each takes about a quarter of a millisecond; the most kernel calls, about
// 2,100, are the player list's re-sort when every row is out of place (every
// key read, then the list read whole and written anew). On a shared remote
// store that answers every call with a round trip of 50-100 us, the longest
// hold is about 2,100 x 100 us = 210 ms. Twenty times that is 4.2 s; 10 s
// (nearly 50 times) leaves room for a slower store or a holder descheduled on
// a busy machine: a live holder taken over gives its rewrite up (its writes are
// checked against the claim, and a fencing host refuses them), so a bound too
// short costs rewrites, while a stopped server costs the others one pause of
// the bound. (A host that serves a hold from an image, as the reference host's
// Redis store does, holds a lock for two round trips whatever the rewrite.)
//
// The bound measures the holder: a waiter counts the time between its own
// looks at the lock, a long gap (the waiter itself stopped, or a store that
// did not answer) only up to HolderTime::CapNs.

namespace StaleLock {

bool ParseBoundMs(const char* text, std::int64_t& out) {
    if (text == nullptr) return false;
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    if (!std::isdigit(static_cast<unsigned char>(*text))) return false;  // no sign, no empty text
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    while (std::isspace(static_cast<unsigned char>(*end))) ++end;
    if (errno == ERANGE || *end != '\0' || value < kLowestMs || value > kHighestMs) return false;
    out = value;
    return true;
}

namespace {

std::int64_t ReadBoundMs(IKernel* kernel) {
    std::string text;
    if (!Platform::EnvironmentValue(kVariable, text)) return kDefaultMs;
    std::int64_t bound = kDefaultMs;
    if (ParseBoundMs(text.c_str(), bound)) return bound;
    const std::string line = std::string("PubRecordHandle: ") + kVariable + "=\"" + text +
                             "\" is not a whole number of milliseconds from " + std::to_string(kLowestMs) + " to " +
                             std::to_string(kHighestMs) + "; the stale-lock bound stays " + std::to_string(kDefaultMs) +
                             " ms";
    if (kernel != nullptr) kernel->WriteLog(line.c_str());
    return kDefaultMs;
}

}  // namespace

HolderTime::HolderTime(std::int64_t boundNs, std::int64_t nowNs) noexcept
    : bound_(boundNs), cap_(CapNs(boundNs)), last_(nowNs) {}

std::int64_t HolderTime::CapNs(std::int64_t boundNs) noexcept {
    constexpr std::int64_t kBusyGapNs = 20'000'000;
    return boundNs / 8 > kBusyGapNs ? boundNs / 8 : kBusyGapNs;
}

bool HolderTime::Look(std::int64_t nowNs) noexcept {
    const std::int64_t gap = nowNs - last_;
    last_ = nowNs;
    if (gap > 0) seen_ += gap < cap_ ? gap : cap_;
    return seen_ >= bound_;
}

void HolderTime::Restart(std::int64_t nowNs) noexcept {
    last_ = nowNs;
    seen_ = 0;
}

std::int64_t BoundMs(IKernel* kernel) {
    static const std::int64_t bound = ReadBoundMs(kernel);
    return bound;
}

}  // namespace StaleLock
