#include "RuleFileChecks.h"

#include <climits>
#include <string>

#include "../module/IKernel.h"
#include "IniFile.h"
#include "NumberText.h"

namespace {

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// One or two digits, at most max; the text after them is left in text.
bool TakeClockField(std::string_view& text, int max) noexcept {
    std::size_t n = 0;
    int value = 0;
    while (n < text.size() && n < 3 && IsDigit(text[n])) {
        value = value * 10 + (text[n] - '0');
        ++n;
    }
    text.remove_prefix(n);
    return n >= 1 && n <= 2 && value <= max;
}

std::string Quoted(const CIniFile& file) { return "Rule file \"" + file.FileName() + "\""; }

}  // namespace

bool IsIntText(std::string_view text) noexcept {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    long long value = 0;
    for (const char c : text) {
        if (!IsDigit(c)) return false;
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) return false;
    }
    return negative || value <= INT_MAX;
}

bool IsTimeOfDayText(std::string_view text) noexcept {
    const int limits[] = {23, 59, 59};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (text.empty() || text.front() != ':') return false;
            text.remove_prefix(1);
        }
        if (!TakeClockField(text, limits[i])) return false;
    }
    return text.empty();
}

void ReportUnreadableRuleFile(IKernel* kernel, const CIniFile& file) {
    kernel->WriteLog((Quoted(file) + " cannot be read: every setting is 0 or empty").c_str());
}

void CheckRuleSettings(IKernel* kernel, const CIniFile& file, const char* section,
                       std::span<const RuleSetting> settings) {
    const IniSection* found = file.FindSection(section);
    if (found == nullptr) {
        kernel->WriteLog((Quoted(file) + " has no section [" + section + "]: every setting takes its default").c_str());
        return;
    }
    for (const RuleSetting& setting : settings) {
        const IniKey* key = file.FindKey(*found, setting.key);
        if (key == nullptr) continue;
        std::string problem;
        if (setting.form == SettingForm::Int && !IsIntText(key->value)) {
            problem = "not a whole number from -2147483648 to 2147483647, read as " +
                      IntToString(file.ReadInteger(section, setting.key, 0));
        } else if (setting.form == SettingForm::TimeOfDay && !IsTimeOfDayText(key->value)) {
            problem = "not hours:minutes:seconds of a time of day, handed on as it is";
        } else {
            continue;
        }
        kernel->WriteLog(
            (Quoted(file) + ", [" + section + "] " + setting.key + " = \"" + key->value + "\": " + problem).c_str());
    }
}
