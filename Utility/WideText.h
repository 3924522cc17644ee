#pragma once
// Narrow text in a code page to wide (UTF-16) text and back. Code page 0 is the
// system's default, which the modules pass. Text that is not valid in the code
// page, or an unknown code page, gives empty text; valid text is never cut.
#include <string>

std::u16string StringToWide(const char* text, unsigned codePage = 0);
// Stops at an embedded zero, as the pointer form would.
std::u16string StringToWide(const std::string& text, unsigned codePage = 0);
std::string WideToString(const char16_t* text, unsigned codePage = 0);
