#pragma once
// Checks of the settings a module reads from a rule file. A file that cannot be
// read, a missing section and each present setting that is not of its form are
// written as one line each through the kernel's log, naming the file, the key
// and the value. The checks only report: what a setting reads as is left to the
// reader.
#include <span>
#include <string_view>

class CIniFile;
class IKernel;

enum class SettingForm {
    Int,        // a decimal number of the int range, nothing after it
    TimeOfDay,  // hours:minutes:seconds of a time of day, 0:00:00 to 23:59:59
};

struct RuleSetting {
    const char* key;
    SettingForm form;
};

bool IsIntText(std::string_view text) noexcept;
bool IsTimeOfDayText(std::string_view text) noexcept;

void ReportUnreadableRuleFile(IKernel* kernel, const CIniFile& file);
// Settings missing from the section are not reported: their defaults stand in.
void CheckRuleSettings(IKernel* kernel, const CIniFile& file, const char* section,
                       std::span<const RuleSetting> settings);
