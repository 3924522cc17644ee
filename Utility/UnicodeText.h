#pragma once
// Strict conversions between UTF-8 and UTF-16: malformed input (overlong forms,
// encoded surrogates, values past U+10FFFF, truncated sequences, lone
// surrogates) fails rather than being guessed at.
#include <cstddef>
#include <string>

bool Utf8ToUtf16(const char* text, std::size_t bytes, std::u16string& out);
bool Utf16ToUtf8(const char16_t* text, std::size_t units, std::string& out);
