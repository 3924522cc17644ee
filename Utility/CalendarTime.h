#pragma once
// Calendar time: a signed count of seconds, as mktime makes it from local time.
#include <cstdint>

// mktime of local calendar fields (year as written, month 1-12) with the
// daylight-saving flag 0. Years the original platform's mktime cannot express
// (before 1970) give its error value -1.
std::int64_t MakeCalendarTime(int year, int month, int day, int hour, int minute, int second) noexcept;

// Whether two calendar times fall on the same local date: year, month and day
// all equal. False when either cannot be converted.
bool SameLocalDate(std::int64_t a, std::int64_t b);
