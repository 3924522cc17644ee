#include "TextConvert.h"

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <string_view>
#include <vector>

#include "NullText.h"
#include "Platform.h"
#include "module/IKernel.h"

namespace {

// Digits, signs and points are ASCII, so widening the printed text is a copy.
std::u16string WidenAscii(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

template <typename... Args>
std::string Print(const char* format, Args... args) {
    char buffer[96];  // "%f" of the largest float needs 47 bytes
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    if (n < 0) {
        return {};
    }
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        return std::string(buffer, static_cast<std::size_t>(n));
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    std::snprintf(out.data(), out.size() + 1, format, args...);
    return out;
}

const char* FloatFormat(int decimals) noexcept {
    switch (decimals) {
        case 1: return "%.01f";
        case 2: return "%.02f";
        case 3: return "%.03f";
        case 4: return "%.04f";
        case 5: return "%.05f";
        default: return "%f";
    }
}

int SaturateToInt(long long v) noexcept {
    if (v > INT_MAX) {
        return INT_MAX;
    }
    if (v < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(v);
}

// A double outside float's range becomes the infinity of its sign, never a
// narrowing with undefined result.
float ToFloat(double v) noexcept {
    if (v > static_cast<double>(FLT_MAX)) {
        return std::numeric_limits<float>::infinity();
    }
    if (v < -static_cast<double>(FLT_MAX)) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(v);
}

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
    out = SaturateToInt(negative ? -v : v);
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

// mktime of local calendar fields with the daylight-saving flag 0. Years the
// original platform's mktime cannot express (before 1970) give its error -1.
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

// The pieces Split appends, shared with the date and clock readers.
std::vector<std::string> SplitPieces(const std::string& text, const std::string& delimiters, unsigned limit) {
    std::vector<std::string> pieces;
    if (text.empty()) {
        pieces.emplace_back();
        return pieces;
    }
    auto isDelimiter = [&](char c) { return delimiters.find(c) != std::string::npos; };
    const std::size_t n = text.size();
    std::size_t i = 0;
    unsigned runs = 0;
    while (i < n) {
        if (isDelimiter(text[i])) {
            while (i < n && isDelimiter(text[i])) {
                ++i;
            }
            ++runs;
            if (limit != 0 && runs >= limit) {
                if (i < n) {
                    pieces.push_back(text.substr(i));
                }
                return pieces;
            }
            continue;
        }
        const std::size_t start = i;
        while (i < n && !isDelimiter(text[i])) {
            ++i;
        }
        pieces.push_back(text.substr(start, i - start));
    }
    return pieces;
}

// (a * 100 + b) * 100 + c, or 0 when that does not fit an int.
int PackNumber(int a, int b, int c) noexcept {
    const long long v = (static_cast<long long>(a) * 100 + b) * 100 + c;
    return (v > INT_MAX || v < INT_MIN) ? 0 : static_cast<int>(v);
}

int MatchCompare(const char* op) noexcept {
    static constexpr const char* kOps[] = {"==", ">=", "<=", ">", "<", "!="};
    if (op == nullptr) {
        return -1;
    }
    for (int i = 0; i < 6; ++i) {
        if (std::strcmp(op, kOps[i]) == 0) {
            return i;
        }
    }
    return -1;
}

template <typename T>
bool CompareBy(const T& a, const T& b, const char* op) {
    switch (MatchCompare(op)) {
        case 0: return a == b;
        case 1: return a >= b;
        case 2: return a <= b;
        case 3: return a > b;
        case 4: return a < b;
        case 5: return a != b;
        default: return false;
    }
}

int MatchApply(const char* op) noexcept {
    static constexpr const char* kOps[] = {"=", "+", "-", "*", "/"};
    if (op == nullptr) {
        return -1;
    }
    for (int i = 0; i < 5; ++i) {
        if (std::strcmp(op, kOps[i]) == 0) {
            return i;
        }
    }
    return -1;
}

// The 15 random bits the original platform's rand gives.
int Rand15() noexcept { return std::rand() & 0x7FFF; }

}  // namespace

// --- numbers and identifiers to text ----------------------------------------------

std::string IntToString(int value) { return Print("%d", value); }

std::u16string IntToWide(int value) { return WidenAscii(IntToString(value)); }

std::string FloatToString(float value, int decimals) {
    return Print(FloatFormat(decimals), static_cast<double>(value));
}

std::u16string FloatToWide(float value, int decimals) { return WidenAscii(FloatToString(value, decimals)); }

std::string ObjectIdToString(const ObjectId& id) {
    return Print("%d.%d", static_cast<int>(id.ident), static_cast<int>(id.serial));
}

std::u16string ObjectIdToWide(const ObjectId& id) { return WidenAscii(ObjectIdToString(id)); }

// --- text to numbers and identifiers -------------------------------------------

int StringToInt(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    const int saved = errno;
    const long long v = std::strtoll(text, nullptr, 10);
    errno = saved;
    return SaturateToInt(v);
}

float StringToFloat(const char* text) {
    if (text == nullptr) {
        return 0.0f;
    }
    const int saved = errno;
    const double v = std::strtod(text, nullptr);
    errno = saved;
    return ToFloat(v);
}

namespace {
// The first 31 characters of the narrow form, for reading a number. A number is
// ASCII, and any other character ends it in every code page, so only the ASCII
// prefix needs converting.
std::string NumberPrefix(const char16_t* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    for (std::size_t i = 0; i < 31 && text[i] != 0 && text[i] < 0x80; ++i) {
        out.push_back(static_cast<char>(text[i]));
    }
    return out;
}
}  // namespace

int WideToInt(const char16_t* text) { return StringToInt(NumberPrefix(text).c_str()); }

float WideToFloat(const char16_t* text) { return StringToFloat(NumberPrefix(text).c_str()); }

ObjectId StringToObjectId(const char* text) {
    if (text == nullptr) {
        return {};
    }
    const std::string_view s(text, strnlen(text, 256));
    if (s.size() >= 256) {
        return {};
    }
    // First field: the first run of non-dots; second: everything after the dot
    // that ends it. Both must be non-empty.
    const std::size_t start = s.find_first_not_of('.');
    if (start == std::string_view::npos) {
        return {};
    }
    const std::size_t dot = s.find('.', start);
    if (dot == std::string_view::npos || dot + 1 >= s.size()) {
        return {};
    }
    const std::string first(s.substr(start, dot - start));
    const std::string second(s.substr(dot + 1));
    ObjectId id;
    id.ident = static_cast<std::uint32_t>(StringToInt(first.c_str()));
    id.serial = static_cast<std::uint32_t>(StringToInt(second.c_str()));
    return id;
}

ObjectId WideToObjectId(const char16_t* text) {
    if (text == nullptr) {
        return {};
    }
    // Narrow text of 256 bytes or more is no identifier; StringToObjectId refuses it.
    return StringToObjectId(WideToString(text).c_str());
}

// --- narrow and wide text --------------------------------------------------------

namespace {
std::u16string UpToFirstZero(std::u16string s) {
    const auto zero = s.find(u'\0');
    if (zero != std::u16string::npos) {
        s.resize(zero);
    }
    return s;
}
}  // namespace

std::u16string StringToWide(const char* text, unsigned codePage) {
    const std::string_view narrow = View(text);
    std::u16string out;
    if (!Platform::NarrowToWide(codePage, narrow.data(), narrow.size(), out)) {
        return {};
    }
    return out;
}

std::u16string StringToWide(const std::string& text, unsigned codePage) {
    std::u16string out;
    if (!Platform::NarrowToWide(codePage, text.data(), text.size(), out)) {
        return {};
    }
    return UpToFirstZero(std::move(out));
}

std::string WideToString(const char16_t* text, unsigned codePage) {
    const std::u16string_view wide = View(text);
    // Sized by the conversion itself: valid text is never cut.
    std::string out;
    if (!Platform::WideToNarrow(codePage, wide.data(), wide.size(), out)) {
        return {};
    }
    return out;
}

// --- the host's clock --------------------------------------------------------------

void CurrentDateTimeParts(IKernel* kernel, int& year, int& month, int& day, int& hour, int& minute, int& second) {
    year = month = day = hour = minute = second = 0;
    if (kernel == nullptr) {
        return;
    }
    double date = 0.0;
    double time = 0.0;
    kernel->GetCurrentDateTime(date, time);
    kernel->SplitDate(date, year, month, day);
    kernel->SplitTime(time, hour, minute, second);
}

std::int64_t CurrentTime(IKernel* kernel, bool startOfDay) {
    if (kernel == nullptr) {
        return 0;
    }
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    CurrentDateTimeParts(kernel, year, month, day, hour, minute, second);
    if (startOfDay) {
        hour = minute = second = 0;
    }
    return MakeCalendarTime(year, month, day, hour, minute, second);
}

std::string CurrentDateTimeText(IKernel* kernel, bool dateOnly) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (kernel != nullptr) {
        double date = 0.0;
        double time = 0.0;
        kernel->GetCurrentDateTime(date, time);
        kernel->SplitDate(date, year, month, day);
        if (!dateOnly) {
            kernel->SplitTime(time, hour, minute, second);
        }
    }
    return IntToString(year) + "-" + IntToString(month) + "-" + IntToString(day) + " " + IntToString(hour) + ":" +
           IntToString(minute) + ":" + IntToString(second);
}

// --- time texts ----------------------------------------------------------------------

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
    const auto parts = SplitPieces(OrEmpty(text), "-", 0);
    if (parts.size() != 3) {
        return 0;
    }
    return PackNumber(StringToInt(parts[0].c_str()), StringToInt(parts[1].c_str()), StringToInt(parts[2].c_str()));
}

int ClockTextToNumber(const char* text) {
    const auto parts = SplitPieces(OrEmpty(text), ":", 0);
    if (parts.size() != 2 && parts.size() != 3) {
        return 0;
    }
    const int s = parts.size() == 3 ? StringToInt(parts[2].c_str()) : 0;
    return PackNumber(StringToInt(parts[0].c_str()), StringToInt(parts[1].c_str()), s);
}

// --- the machine's local time -------------------------------------------------------

std::string LocalStampMillisText() {
    const Platform::LocalTime t = Platform::NowLocal();
    return Print("%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute, t.second, t.millis);
}

std::string LocalStampText() {
    const Platform::LocalTime t = Platform::NowLocal();
    return Print("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::string LocalClockText() {
    const Platform::LocalTime t = Platform::NowLocal();
    return Print("%02d:%02d:%02d", t.hour, t.minute, t.second);
}

std::string LocalDateText() {
    const Platform::LocalTime t = Platform::NowLocal();
    return Print("%04d-%02d-%02d", t.year, t.month, t.day);
}

unsigned ElapsedTicks(unsigned startTick) { return static_cast<unsigned>(Platform::TickCountMs() - startTick); }

// --- operators given as text ----------------------------------------------------------

bool CompareInt(int a, int b, const char* op) { return CompareBy(a, b, op); }

bool CompareFloat(float a, float b, const char* op) { return CompareBy(a, b, op); }

bool CompareString(const std::string& a, const std::string& b, const char* op) {
    // std::string compares through char_traits<char>, which orders bytes unsigned.
    return CompareBy(a, b, op);
}

bool CompareWide(const std::u16string& a, const std::u16string& b, const char* op) { return CompareBy(a, b, op); }

bool ApplyInt(int& target, int operand, const char* op) {
    long long result = 0;
    switch (MatchApply(op)) {
        case 0: target = operand; return true;
        case 1: result = static_cast<long long>(target) + operand; break;
        case 2: result = static_cast<long long>(target) - operand; break;
        case 3: result = static_cast<long long>(target) * operand; break;
        case 4:
            // Division by zero and INT_MIN / -1 have no int result.
            if (operand == 0) {
                return false;
            }
            result = static_cast<long long>(target) / operand;
            break;
        default: return false;
    }
    // A result outside int is refused like the divisions above, not wrapped.
    if (result > INT_MAX || result < INT_MIN) {
        return false;
    }
    target = static_cast<int>(result);
    return true;
}

bool ApplyFloat(float& target, float operand, const char* op) {
    switch (MatchApply(op)) {
        case 0: target = operand; return true;
        case 1: target += operand; return true;
        case 2: target -= operand; return true;
        case 3: target *= operand; return true;
        case 4: target /= operand; return true;  // IEEE: a zero operand gives an infinity or NaN
        default: return false;
    }
}

// --- pieces of text -----------------------------------------------------------------

void Split(IVarList& out, const std::string& text, const std::string& delimiters, unsigned limit) {
    for (const auto& piece : SplitPieces(text, delimiters, limit)) {
        out.PushString(piece.c_str());
    }
}

void Trim(std::string& text, bool left, bool right) {
    static constexpr const char* kBlanks = " \t\r";
    if (right) {
        const auto last = text.find_last_not_of(kBlanks);
        text.erase(last == std::string::npos ? 0 : last + 1);
    }
    if (left) {
        const auto first = text.find_first_not_of(kBlanks);
        text.erase(0, first == std::string::npos ? text.size() : first);
    }
}

std::u16string JoinFields(const std::u16string& a, const std::u16string& b, const std::u16string& c,
                          const std::u16string& d, const std::u16string& e) {
    std::u16string out;
    out.reserve(a.size() + b.size() + c.size() + d.size() + e.size() + 5);
    out.append(a).append(u",").append(b).append(u",").append(c).append(u",").append(d).append(u",").append(e).append(
        u";");
    return out;
}

// --- odds and ends ---------------------------------------------------------------------

std::string NewGuidText() { return Platform::NewGuid32(); }

int RandomBelow(int n) {
    if (n < 1 || n > 32768) {
        return 0;
    }
    const float v = static_cast<float>(Rand15()) * (1.0f / 32768.0f) * static_cast<float>(n);
    return static_cast<int>(v);
}

float RandomFloatBelow(float f) {
    if (!(f > 0.0f)) {
        return 0.0f;
    }
    return static_cast<float>(Rand15()) * (1.0f / 32768.0f) * f;
}

int RandomBelowLarge(int n) {
    if (n < 1 || n > (1 << 30)) {
        return 0;
    }
    const int r1 = Rand15();
    const int r2 = Rand15();
    const float v = static_cast<float>(r1 * 32768 + r2) * (1.0f / 1073741824.0f) * static_cast<float>(n);
    const int r = static_cast<int>(v);
    // Single precision rounds the largest draws up to n itself; keep below n.
    return r < n ? r : n - 1;
}
