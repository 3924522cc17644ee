#pragma once
// Conversions of numbers, identifiers, times and text, and operators given as
// text. Free functions with no state of their own; bad input reads as a neutral
// value (0, empty text, null identifier, false). Only std::bad_alloc escapes.
#include <cstdint>
#include <string>

#include "IVarList.h"
#include "ObjectId.h"

class IKernel;

// --- numbers and identifiers to text ----------------------------------------------
std::string IntToString(int value);                      // "%d"
std::u16string IntToWide(int value);                     // "%d"
std::string FloatToString(float value, int decimals);    // 1-5 decimals, else "%f"
std::u16string FloatToWide(float value, int decimals);
std::string ObjectIdToString(const ObjectId& id);        // "%d.%d"
std::u16string ObjectIdToWide(const ObjectId& id);

// --- text to numbers and identifiers -------------------------------------------
int StringToInt(const char* text);          // strtol base 10, saturating; null reads 0
float StringToFloat(const char* text);      // atof; null reads 0
int WideToInt(const char16_t* text);        // at most 31 characters are read
float WideToFloat(const char16_t* text);    // at most 31 characters are read
ObjectId StringToObjectId(const char* text);
ObjectId WideToObjectId(const char16_t* text);

// --- narrow and wide text (code page 0 is the system default) ----------------------
std::u16string StringToWide(const char* text, unsigned codePage = 0);
std::u16string StringToWide(const std::string& text, unsigned codePage = 0);
std::string WideToString(const char16_t* text, unsigned codePage = 0);

// --- the host's clock, read through the kernel ------------------------------------------
std::int64_t CurrentTime(IKernel* kernel, bool startOfDay);          // mktime of the host's local time
std::string CurrentDateTimeText(IKernel* kernel, bool dateOnly);     // "2011-3-3 9:5:7", no leading zeros
void CurrentDateTimeParts(IKernel* kernel, int& year, int& month, int& day, int& hour, int& minute,
                          int& second);

// --- time texts ----------------------------------------------------------------------
std::int64_t TimeTextToSeconds(const char* text);    // "02:00:00" -> 7200
std::int64_t DateTimeTextToTime(const char* text);   // "%d-%d-%d %d:%d:%d" -> mktime
int DateTextToNumber(const char* text);              // "2011-3-3" -> 20110303
int ClockTextToNumber(const char* text);             // "9:5:7" -> 90507

// --- the machine's local time -------------------------------------------------------
std::string LocalStampMillisText();   // "%04d-%02d-%02d %02d:%02d:%02d.%03d"
std::string LocalStampText();         // "%04d-%02d-%02d %02d:%02d:%02d"
std::string LocalClockText();         // "%02d:%02d:%02d"
std::string LocalDateText();          // "%04d-%02d-%02d"
unsigned ElapsedTicks(unsigned startTick);  // milliseconds since startTick, wrapping

// --- operators given as text ----------------------------------------------------------
bool CompareInt(int a, int b, const char* op);     // "==", ">=", "<=", ">", "<", "!="
bool CompareFloat(float a, float b, const char* op);
bool CompareString(const std::string& a, const std::string& b, const char* op);
bool CompareWide(const std::u16string& a, const std::u16string& b, const char* op);
bool ApplyInt(int& target, int operand, const char* op);   // "=", "+", "-", "*", "/"
bool ApplyFloat(float& target, float operand, const char* op);

// --- pieces of text -----------------------------------------------------------------
void Split(IVarList& out, const std::string& text, const std::string& delimiters, unsigned limit);
void Trim(std::string& text, bool left, bool right);  // removes " \t\r"
// a + "," + b + "," + c + "," + d + "," + e + ";"
std::u16string JoinFields(const std::u16string& a, const std::u16string& b, const std::u16string& c,
                          const std::u16string& d, const std::u16string& e);

// --- odds and ends ---------------------------------------------------------------------
std::string NewGuidText();  // 32 upper-case hex digits, empty when none could be made
int RandomBelow(int n);
float RandomFloatBelow(float f);
int RandomBelowLarge(int n);
