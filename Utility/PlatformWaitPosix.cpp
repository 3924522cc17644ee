// Waiting on POSIX: CLOCK_MONOTONIC and nanosleep.
#include <cerrno>
#include <ctime>

#include "Platform.h"

namespace Platform {

std::int64_t MonotonicNanoseconds() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void SleepMicroseconds(std::uint32_t microseconds) noexcept {
    timespec left{static_cast<std::time_t>(microseconds / 1'000'000),
                  static_cast<long>(microseconds % 1'000'000) * 1000};
    // A signal cuts the sleep short; sleep the rest.
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {}
}

}  // namespace Platform
