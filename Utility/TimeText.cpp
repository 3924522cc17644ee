#include "TimeText.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

#include "CalendarTime.h"
#include "NullText.h"
#include "NumberText.h"
#include "TextPieces.h"

namespace {

// One "%d" of the formatted scan: blanks skipped, optional sign, at least one
// digit. Out-of-range values saturate instead of the scan's undefined result.
bool ScanInt(const char*& p, int& out) noexcept {
    const char* q = p;
    while (std::isspace(static_cast<unsigned char>(*q))) {
        ++q;
    }
    bool negative = false;
    if (*q == '+' || *q == '-') {
        negative = (*q == '-');
        ++q;
    }
    if (!std::isdigit(static_cast<unsigned char>(*q))) {
        return false;
    }
    long long v = 0;
    for (; std::isdigit(static_cast<unsigned char>(*q)); ++q) {
        if (v <= static_cast<long long>(INT_MAX) + 1) {
            v = v * 10 + (*q - '0');
        }
    }
    out = static_cast<int>(std::clamp<long long>(negative ? -v : v, INT_MIN, INT_MAX));
    p = q;
    return true;
}

// Reads "%d<sep>%d<sep>..." into fields until the first mismatch. A blank
// separator matches any run of white space, as in the formatted scan.
void ScanFields(const char* text, const char* separators, int* fields, int count) noexcept {
    const char* p = text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            const char sep = separators[i - 1];
            if (sep == ' ') {
                while (std::isspace(static_cast<unsigned char>(*p))) {
                    ++p;
                }
            } else if (*p == sep) {
                ++p;
            } else {
                return;
            }
        }
        if (!ScanInt(p, fields[i])) {
            return;
        }
    }
}

// (a * 100 + b) * 100 + c, or 0 when that does not fit an int.
int PackNumber(int a, int b, int c) noexcept {
    const long long v = (static_cast<long long>(a) * 100 + b) * 100 + c;
    return (v > INT_MAX || v < INT_MIN) ? 0 : static_cast<int>(v);
}

}  // namespace

std::int64_t TimeTextToSeconds(const char* text) {
    if (text == nullptr || strnlen(text, 4) < 4) {
        return 0;
    }
    int fields[3] = {0, 0, 0};
    ScanFields(text, "::", fields, 3);
    // 64-bit arithmetic: every hour field an int holds gives its exact seconds.
    return (static_cast<std::int64_t>(fields[0]) * 60 + fields[1]) * 60 + fields[2];
}

std::int64_t DateTimeTextToTime(const char* text) {
    int f[6] = {0, 0, 0, 0, 0, 0};
    if (text != nullptr && strnlen(text, 7) > 6) {
        ScanFields(text, "-- ::", f, 6);
    }
    return MakeCalendarTime(f[0], f[1], f[2], f[3], f[4], f[5]);
}

int DateTextToNumber(const char* text) {
    const auto parts = SplitText(OrEmpty(text), "-", 0);
    if (parts.size() != 3) {
        return 0;
    }
    return PackNumber(StringToInt(parts[0].c_str()), StringToInt(parts[1].c_str()), StringToInt(parts[2].c_str()));
}

int ClockTextToNumber(const char* text) {
    const auto parts = SplitText(OrEmpty(text), ":", 0);
    if (parts.size() != 2 && parts.size() != 3) {
        return 0;
    }
    const int s = parts.size() == 3 ? StringToInt(parts[2].c_str()) : 0;
    return PackNumber(StringToInt(parts[0].c_str()), StringToInt(parts[1].c_str()), s);
}
