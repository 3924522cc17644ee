#pragma once
// Times, dates and clocks given as text. Bad or missing text reads as 0 (or, for
// a calendar time, mktime's error value -1).
#include <cstdint>

std::int64_t TimeTextToSeconds(const char* text);   // "02:00:00" -> 7200
std::int64_t DateTimeTextToTime(const char* text);  // "%d-%d-%d %d:%d:%d" -> mktime
int DateTextToNumber(const char* text);             // "2011-3-3" -> 20110303
int ClockTextToNumber(const char* text);            // "9:5:7" -> 90507
