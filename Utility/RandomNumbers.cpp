#include "RandomNumbers.h"

#include <cstdlib>

namespace {
// The 15 random bits the original platform's rand gives.
int Rand15() noexcept { return std::rand() & 0x7FFF; }
}  // namespace

int RandomBelow(int n) {
    if (n < 1 || n > 32768) {
        return 0;
    }
    const float v = static_cast<float>(Rand15()) * (1.0f / 32768.0f) * static_cast<float>(n);
    return static_cast<int>(v);
}

float RandomFloatBelow(float f) {
    if (!(f > 0.0f)) {
        return 0.0f;
    }
    return static_cast<float>(Rand15()) * (1.0f / 32768.0f) * f;
}

int RandomBelowLarge(int n) {
    if (n < 1 || n > (1 << 30)) {
        return 0;
    }
    const int r1 = Rand15();
    const int r2 = Rand15();
    const float v = static_cast<float>(r1 * 32768 + r2) * (1.0f / 1073741824.0f) * static_cast<float>(n);
    const int r = static_cast<int>(v);
    // Single precision rounds the largest draws up to n itself; keep below n.
    return r < n ? r : n - 1;
}
