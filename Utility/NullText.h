#pragma once
// Text pointers that come from the host, a variant list or a caller may be null.
// These read a null pointer as empty text, so that no caller has to test first.
#include <string_view>

constexpr const char* OrEmpty(const char* text) noexcept { return text != nullptr ? text : ""; }
constexpr const char16_t* OrEmpty(const char16_t* text) noexcept { return text != nullptr ? text : u""; }

// The text as a view, empty for null; one length scan, no copy.
constexpr std::string_view View(const char* text) noexcept { return std::string_view(OrEmpty(text)); }
constexpr std::u16string_view View(const char16_t* text) noexcept { return std::u16string_view(OrEmpty(text)); }
