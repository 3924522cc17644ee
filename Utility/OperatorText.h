#pragma once
// Comparison and assignment operators given as text, as rule and configuration
// files give them. An operator text that is not one of those listed (including
// "=" for a comparison, and null) gives false and changes nothing.
#include <string>

bool CompareInt(int a, int b, const char* op);  // "==", ">=", "<=", ">", "<", "!="
bool CompareFloat(float a, float b, const char* op);
// Byte-wise, bytes unsigned; a prefix sorts first.
bool CompareString(const std::string& a, const std::string& b, const char* op);
bool CompareWide(const std::u16string& a, const std::u16string& b, const char* op);

// "=", "+", "-", "*", "/". An int result that does not fit (a division by zero,
// INT_MIN / -1, an overflow) is refused: false, target unchanged.
bool ApplyInt(int& target, int operand, const char* op);
bool ApplyFloat(float& target, float operand, const char* op);
