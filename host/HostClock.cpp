#include "HostClock.h"

#include <cmath>

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date (month and day normalised by the caller).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) noexcept {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) noexcept {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr std::int64_t kOleEpochOffsetDays = 25569;  // 1899-12-30 .. 1970-01-01

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) noexcept {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}
}  // namespace

std::int64_t HostClock::MsOf(int year, int month, int day, int hour, int minute, int second) {
    // Month overflow carries into the year; day, hour... overflow by plain addition.
    std::int64_t y = year;
    std::int64_t m0 = static_cast<std::int64_t>(month) - 1;
    y += FloorDiv(m0, 12);
    m0 -= FloorDiv(m0, 12) * 12;
    const std::int64_t days = DaysFromCivil(y, static_cast<unsigned>(m0 + 1), 1) + (day - 1);
    return ((days * 24 + hour) * 60 + minute) * 60'000 + static_cast<std::int64_t>(second) * 1000;
}

double HostClock::DateValueOf(std::int64_t ms) noexcept {
    return static_cast<double>(FloorDiv(ms, kMsPerDay) + kOleEpochOffsetDays);
}

double HostClock::TimeValueOf(std::int64_t ms) noexcept {
    return static_cast<double>((ms - FloorDiv(ms, kMsPerDay) * kMsPerDay) / 1000);
}

bool HostClock::SplitDate(double date, int& year, int& month, int& day) noexcept {
    if (!std::isfinite(date)) return false;
    const double whole = std::floor(date);
    // Year 1 .. 9999 in days since 1899-12-30.
    if (whole < -693593.0 || whole > 2958465.0) return false;
    CivilFromDays(static_cast<std::int64_t>(whole) - kOleEpochOffsetDays, year, month, day);
    return true;
}

bool HostClock::SplitTime(double time, int& hour, int& minute, int& second) noexcept {
    if (!std::isfinite(time) || time < 0.0 || time >= 86400.0) return false;
    const int s = static_cast<int>(time);
    hour = s / 3600;
    minute = s / 60 % 60;
    second = s % 60;
    return true;
}
