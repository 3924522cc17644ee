#pragma once
// The kernel answers null for text it does not have; the leaderboards pass the
// empty text on instead.

inline const char* OrEmpty(const char* text) noexcept { return text != nullptr ? text : ""; }
inline const char16_t* OrEmpty(const char16_t* text) noexcept { return text != nullptr ? text : u""; }
