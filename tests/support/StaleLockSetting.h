#pragma once
// The stale-lock bound for every library loaded from now on in this process
// (each server loads its own copy, which reads the setting at its first lock).
// Tests keep it short, so that a takeover costs them a fraction of a second.
#include <cstdlib>
#include <string>

#include "module/StaleLockBound.h"

inline constexpr long kTestStaleBoundMs = 200;

inline void SetStaleLockBoundMs(long ms) { ::setenv(StaleLock::kVariable, std::to_string(ms).c_str(), 1); }
inline void SetStaleLockText(const char* text) { ::setenv(StaleLock::kVariable, text, 1); }
