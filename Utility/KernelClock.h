#pragma once
// The host's clock, read through the kernel: the modules' only source of time.
// A null kernel reads as zeros.
#include <cstdint>
#include <string>

class IKernel;

std::int64_t CurrentTime(IKernel* kernel, bool startOfDay);       // mktime of the host's local time
std::string CurrentDateTimeText(IKernel* kernel, bool dateOnly);  // "2011-3-3 9:5:7", no leading zeros
void CurrentDateTimeParts(IKernel* kernel, int& year, int& month, int& day, int& hour, int& minute, int& second);
