// Settings of a rule file that are not of their form, each logged as one line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/HostKernel.h"
#include "host/MemoryPubDataStore.h"
#include "Utility/IniFile.h"
#include "Utility/RuleFileChecks.h"

namespace {

struct FormCase {
    const char* text;
    bool ok;
};

}  // namespace

TEST(RuleFileChecks, IntTextIsOneWholeNumberOfTheIntRange) {
    const FormCase cases[] = {{"30", true},           {"0", true},
                              {"-5", true},           {"+7", true},
                              {"007", true},          {"2147483647", true},
                              {"2147483648", false},  {"-2147483648", true},
                              {"-2147483649", false}, {"99999999999999999999", false},
                              {"12abc", false},       {"30 ; min", false},
                              {"abc", false},         {"", false},
                              {"-", false},           {"1.5", false},
                              {"0x10", false},        {" 3", false}};
    for (const FormCase& c : cases) EXPECT_EQ(IsIntText(c.text), c.ok) << '"' << c.text << '"';
}

TEST(RuleFileChecks, TimeOfDayIsHoursMinutesSecondsOfARealTime) {
    const FormCase cases[] = {{"02:00:00", true},         {"2:0:0", true},        {"0:00:00", true},
                              {"23:59:59", true},         {"24:00:00", false},    {"25:61:00", false},
                              {"12:60:00", false},        {"12:00:60", false},    {"12:00", false},
                              {"12:00:00 ; noon", false}, {"12:00:00:00", false}, {"012:00:00", false},
                              {"12::00", false},          {"-1:00:00", false},    {"", false},
                              {"12:00:0a", false},        {" 12:00:00", false}};
    for (const FormCase& c : cases) EXPECT_EQ(IsTimeOfDayText(c.text), c.ok) << '"' << c.text << '"';
}

TEST(RuleFileChecks, EachPresentSettingNotOfItsFormIsOneLogLine) {
    MemoryPubDataStore store;
    HostKernel kernel(store, 1);
    const RuleSetting settings[] = {{"Count", SettingForm::Int},
                                    {"At", SettingForm::TimeOfDay},
                                    {"Gone", SettingForm::Int},
                                    {"Fine", SettingForm::Int}};
    const std::string text = "[Rules]\nCount = 99999999999999999999\nAt = 12:00\nFine = 4\n";
    CIniFile ini("res/Rule\\Game.ini");
    ASSERT_TRUE(ini.LoadFromMemory(text.data(), text.size()));
    CheckRuleSettings(&kernel, ini, "rules", settings);
    EXPECT_EQ(
        kernel.Logs(),
        (std::vector<std::string>{
            "Rule file \"res/Rule\\Game.ini\", [rules] Count = \"99999999999999999999\": not a whole number from "
            "-2147483648 to 2147483647, read as 2147483647",
            "Rule file \"res/Rule\\Game.ini\", [rules] At = \"12:00\": not hours:minutes:seconds of a time of day, "
            "handed on as it is"}));

    kernel.ClearLogs();
    CheckRuleSettings(&kernel, ini, "Other", settings);
    ReportUnreadableRuleFile(&kernel, ini);
    EXPECT_EQ(kernel.Logs(),
              (std::vector<std::string>{
                  "Rule file \"res/Rule\\Game.ini\" has no section [Other]: every setting takes its default",
                  "Rule file \"res/Rule\\Game.ini\" cannot be read: every setting is 0 or empty"}));
    EXPECT_TRUE(kernel.Traces().empty());
}
