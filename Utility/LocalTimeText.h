#pragma once
// The machine's local time as stamp texts, and its millisecond tick count. Only
// the support library's own texts read the machine's clock; the modules read the
// host's (KernelClock.h).
#include <string>

std::string LocalStampMillisText();         // "%04d-%02d-%02d %02d:%02d:%02d.%03d"
std::string LocalStampText();               // "%04d-%02d-%02d %02d:%02d:%02d"
std::string LocalClockText();               // "%02d:%02d:%02d"
std::string LocalDateText();                // "%04d-%02d-%02d"
unsigned ElapsedTicks(unsigned startTick);  // milliseconds since startTick, wrapping
