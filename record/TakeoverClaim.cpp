#include "TakeoverClaim.h"

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

// Most searches end within a few values of the last one seen.
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
    from = from >= 0 && from < kCycle ? from : 0;
    for (int n = 0; n < kCycle; ++n) {
        const int value = (from + n) % kCycle;
        if (Holds(kernel, pubIndex, claimName, value)) {
            Remember(pubIndex, lockName, value);
            return value;
        }
    }
    return -1;
}

}  // namespace TakeoverClaim
