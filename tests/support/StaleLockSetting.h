#pragma once
// The stale-lock bound for every library loaded from now on in this process
// (each server loads its own copy, which reads the setting at its first lock).
// Tests keep it short, so that a takeover costs them a fraction of a second.
#include <cstdlib>
#include <string>

#include "module/StaleLockBound.h"

inline constexpr long kTestStaleBoundMs = 200;

inline void SetStaleLockText(const char* text) {
#if defined(_WIN32)
    ::_putenv_s(StaleLock::kVariable, text);
#else
    ::setenv(StaleLock::kVariable, text, 1);
#endif
}
inline void SetStaleLockBoundMs(long ms) { SetStaleLockText(std::to_string(ms).c_str()); }
