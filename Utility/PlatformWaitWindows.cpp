// Waiting on Windows: the performance counter and Sleep (whole milliseconds;
// a shorter wait gives up the rest of the time slice instead).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "Platform.h"

namespace Platform {

std::int64_t MonotonicNanoseconds() noexcept {
    static const std::int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<std::int64_t>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const std::int64_t ticks = now.QuadPart;
    // Whole seconds and the rest apart, so the product cannot overflow.
    return ticks / frequency * 1'000'000'000 + ticks % frequency * 1'000'000'000 / frequency;
}

void SleepMicroseconds(std::uint32_t microseconds) noexcept { Sleep(microseconds / 1000); }

}  // namespace Platform
