#pragma once
// The stale-lock bound for every library loaded from now on in this process
// (each server loads its own copy, which reads the setting at its first lock).
// Tests keep it short, so that a takeover costs them a fraction of a second.
#include <string>

#include "Utility/Platform.h"
#include "record/StaleLockBound.h"

inline constexpr long kTestStaleBoundMs = 200;

inline void SetStaleLockText(const char* text) { Platform::SetEnvironmentValue(StaleLock::kVariable, text); }
inline void SetStaleLockBoundMs(long ms) { SetStaleLockText(std::to_string(ms).c_str()); }
