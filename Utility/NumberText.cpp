#include "NumberText.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

#include "BoundedText.h"
#include "WideText.h"

namespace {

// Digits, signs and points are ASCII, so widening the printed text is a copy.
std::u16string WidenAscii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

template <typename... Args>
std::string Print(const char* format, Args... args) {
    char buffer[96];  // "%f" of the largest float needs 47 bytes
    const int n = BoundedPrint(buffer, sizeof buffer, format, args...);
    return std::string(buffer, static_cast<std::size_t>(n));
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

// --- to text -------------------------------------------------------------------------

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

// --- from text -----------------------------------------------------------------------

int StringToInt(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    const int saved = errno;
    const long long v = std::strtoll(text, nullptr, 10);
    errno = saved;
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
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
