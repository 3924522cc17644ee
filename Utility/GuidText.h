#pragma once
// A new globally unique identifier as text.
#include <string>

std::string NewGuidText();  // 32 upper-case hex digits, empty when none could be made
