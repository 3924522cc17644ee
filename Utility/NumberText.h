#pragma once
// Numbers and object identifiers to text and back. Bad or empty text reads as 0
// (or the null identifier); numbers out of range saturate. Only std::bad_alloc
// escapes.
#include <string>

#include "../module/ObjectId.h"

std::string IntToString(int value);                    // "%d"
std::u16string IntToWide(int value);                   // "%d"
std::string FloatToString(float value, int decimals);  // 1-5 decimals, else "%f"
std::u16string FloatToWide(float value, int decimals);
std::string ObjectIdToString(const ObjectId& id);  // "%d.%d"
std::u16string ObjectIdToWide(const ObjectId& id);

int StringToInt(const char* text);        // strtol base 10, saturating; null reads 0
float StringToFloat(const char* text);    // atof; null reads 0
int WideToInt(const char16_t* text);      // at most 31 characters are read
float WideToFloat(const char16_t* text);  // at most 31 characters are read
// "first.second", each part read as StringToInt; null when either is missing or
// the text is 256 characters or longer.
ObjectId StringToObjectId(const char* text);
ObjectId WideToObjectId(const char16_t* text);
