#include "CalendarTime.h"

#include <climits>
#include <ctime>

#include "Platform.h"

std::int64_t MakeCalendarTime(int year, int month, int day, int hour, int minute, int second) noexcept {
    const long long tmYear = static_cast<long long>(year) - 1900;
    const long long tmMon = static_cast<long long>(month) - 1;
    if (tmYear < 70 || tmMon < INT_MIN) {
        return -1;
    }
    std::tm tm{};
    tm.tm_year = static_cast<int>(tmYear);
    tm.tm_mon = static_cast<int>(tmMon);
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = 0;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

bool SameLocalDate(std::int64_t a, std::int64_t b) {
    Platform::LocalTime ta;
    Platform::LocalTime tb;
    if (!Platform::LocalTimeAt(a, ta) || !Platform::LocalTimeAt(b, tb)) {
        return false;
    }
    return ta.year == tb.year && ta.month == tb.month && ta.day == tb.day;
}
