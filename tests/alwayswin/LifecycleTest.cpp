#include <algorithm>

#include "AlwaysWinFixture.h"

class AlwaysWinWithoutRules : public AlwaysWinTest {
    std::string RuleText() override { return ""; }
};

TEST_F(AlwaysWinWithoutRules, UnreadableRuleFileLeavesZerosAndAnEmptyTime) {
    // The empty time text is handed over, and refused, once per scene initialisation.
    EXPECT_EQ(server().EventTime()->Refused(), 3u);
    SetStreak(Fighter(u"a", 1, 0, 3), 0);  // a minimum of 0 admits any streak
    EXPECT_EQ(List().size(), 1u);
    Daily();
    ASSERT_EQ(Mail(u"a").size(), 1u);
    EXPECT_EQ(Mail(u"a")[0].attachment, u"0,0,,,;");
    // The streak reset of the waiting scene re-enters him: it must not wait on the daily hold.
    EXPECT_EQ(List(), (std::vector<Row>{R(u"a", 0)}));
}

TEST(AlwaysWinInit, TheFirstMissingSiblingIsReportedAndInitFails) {
    for (int missing = 0; missing < 3; ++missing) {
        ServerOptions options;
        options.withCriticalManager = missing != 0;
        options.withEventTime = missing > 1;
        options.withLetter = false;
        World world(1, options);
        Server& s = world.server(0);
        ASSERT_TRUE(s.Start()) << s.Error();
        EXPECT_FALSE(s.Module("PlayerTopAlwaysWinSystem")->init || s.Module("PlayerTopAlwaysWinSystem")->afterInitCalled);
        const char* names[] = {"CriticalManagerSystem", "EventTimeSystem", "LetterSystem"};
        const std::string location = ".\\PlayerTopAlwaysWinSystem (" + std::to_string(28 + missing) + ")";
        for (const auto* lines : {&s.Kernel().Traces(), &s.Kernel().Logs()}) {
            const auto at = std::find(lines->begin(), lines->end(), location);
            ASSERT_TRUE(at != lines->end() && at != lines->begin()) << location;
            EXPECT_EQ(*(at - 1), std::string("Not exist ") + names[missing] + " module!");
            EXPECT_EQ(std::count_if(lines->begin(), lines->end(),
                                    [](const std::string& l) { return l.find("AlwaysWin") != std::string::npos; }),
                      1);
        }
    }
}
