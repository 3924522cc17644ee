#pragma once
// The host's simulated local clock and its date/time encoding.
//
// Time is kept as milliseconds since 1970-01-01 00:00:00 local time (no zones,
// no daylight saving). GetCurrentDateTime hands out two values:
//   date = whole days since 1899-12-30 (so 1899-12-30 is 0, 2024-01-01 is 45292)
//   time = seconds since midnight (0 .. 86399)
#include <cstdint>

class HostClock {
public:
    static constexpr std::int64_t kMsPerDay = 86'400'000;

    // Milliseconds of a calendar moment; fields out of range are normalised.
    static std::int64_t MsOf(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    static double DateValueOf(std::int64_t ms) noexcept;  // days since 1899-12-30
    static double TimeValueOf(std::int64_t ms) noexcept;  // seconds of the day
    // False (fields untouched) for a value that is not finite or outside year 1..9999.
    static bool SplitDate(double date, int& year, int& month, int& day) noexcept;
    static bool SplitTime(double time, int& hour, int& minute, int& second) noexcept;

    std::int64_t NowMs() const noexcept { return nowMs_; }
    void SetMs(std::int64_t ms) noexcept { nowMs_ = ms; }
    void Set(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
        nowMs_ = MsOf(year, month, day, hour, minute, second);
    }

private:
    std::int64_t nowMs_ = MsOf(2024, 1, 1, 12, 0, 0);
};
