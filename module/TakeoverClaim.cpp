#include "TakeoverClaim.h"

#include <climits>
#include <cstring>
#include <mutex>

namespace TakeoverClaim {

namespace {

// A few list locks per load: a small table, searched in full; nothing allocated.
struct Seen {
    int pubIndex = -1;
    char lock[64] = {};
    int value = 0;
};
constexpr int kTable = 8;
Seen g_seen[kTable];
int g_next = 0;
std::mutex g_mutex;

Seen* Find(int pubIndex, const char* lockName) noexcept {
    for (Seen& s : g_seen)
        if (s.pubIndex == pubIndex && std::strcmp(s.lock, lockName) == 0) return &s;
    return nullptr;
}

// How far the search goes: above the value last seen (the claim grows by two a
// takeover), and at most this many values in all.
constexpr int kNear = 64;
constexpr int kFar = 4096;

}  // namespace

int Known(int pubIndex, const char* lockName) noexcept {
    const std::lock_guard<std::mutex> guard(g_mutex);
    const Seen* s = Find(pubIndex, lockName);
    return s != nullptr ? s->value : 0;
}

void Remember(int pubIndex, const char* lockName, int value) noexcept {
    if (std::strlen(lockName) >= sizeof(Seen::lock)) return;  // searched from 0 every time
    const std::lock_guard<std::mutex> guard(g_mutex);
    Seen* s = Find(pubIndex, lockName);
    if (s == nullptr) {
        s = &g_seen[g_next];
        g_next = (g_next + 1) % kTable;
        s->pubIndex = pubIndex;
        std::strcpy(s->lock, lockName);
    }
    s->value = value;
}

bool Holds(IKernel* kernel, int pubIndex, const char* claimName, int value) {
    return kernel->CompareSetPubPropertyInt(pubIndex, claimName, value, value);
}

int Learn(IKernel* kernel, int pubIndex, const char* lockName, const char* claimName, int from) {
    if (from < 0) from = 0;
    const auto found = [&](int value) {
        Remember(pubIndex, lockName, value);
        return value;
    };
    const auto search = [&](long long first, long long end) {
        for (long long v = first; v < end && v <= INT_MAX; ++v)
            if (Holds(kernel, pubIndex, claimName, static_cast<int>(v))) return found(static_cast<int>(v));
        return -1;
    };
    const long long start = from;
    int value = search(start, start + kNear);
    if (value < 0) value = search(0, start);
    if (value < 0) value = search(start + kNear, start + kFar);
    return value;
}

}  // namespace TakeoverClaim
