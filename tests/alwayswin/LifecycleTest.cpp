#include <algorithm>

#include "AlwaysWinFixture.h"
#include "support/TempDir.h"

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
        EXPECT_FALSE(s.Module("PlayerTopAlwaysWinSystem")->init ||
                     s.Module("PlayerTopAlwaysWinSystem")->afterInitCalled);
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

TEST(AlwaysWinRules, InitLogsOneLinePerProblemOfTheRuleFile) {
    struct Case {
        const char* text;                // null: no file
        std::vector<std::string> lines;  // after the file's name
    };
    const std::string bad =
        "[PlayerAlwaysWinInitInfo]\r\nMinAlwaysWinNum = 99999999999999999999\r\n"
        "RefreshTime = 25:61:00\r\nPrizeItemid = 7x\r\nNum = 2\r\n";
    const Case cases[] = {
        {"\xEF\xBB\xBF[PlayerAlwaysWinInitInfo]\nMinAlwaysWinNum=-3\nRefreshTime=2:30:00\nPrizeItemid=+7\nNum=1\n", {}},
        {"; saved without its header\nMinAlwaysWinNum = 30\n",
         {" has no section [PlayerAlwaysWinInitInfo]: every setting takes its default"}},
        {nullptr, {" cannot be read: every setting is 0 or empty"}},
        {bad.c_str(),
         {", [PlayerAlwaysWinInitInfo] MinAlwaysWinNum = \"99999999999999999999\": not a whole number from -2147483648 "
          "to 2147483647, read as 2147483647",
          ", [PlayerAlwaysWinInitInfo] RefreshTime = \"25:61:00\": not hours:minutes:seconds of a time of day, handed "
          "on "
          "as it is",
          ", [PlayerAlwaysWinInitInfo] PrizeItemid = \"7x\": not a whole number from -2147483648 to 2147483647, read "
          "as 7"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string file = dir.Path() + "/Rule\\PlayerTopAlwaysWin.ini";
        if (c.text != nullptr) WriteWholeFile(dir.Path() + "/Rule/PlayerTopAlwaysWin.ini", c.text);
        ServerOptions options;
        options.resourcePath = dir.Path() + "/";
        World world(1, options);
        Server& s = world.server(0);
        s.CreateScene(2, "BaseScene");
        ASSERT_TRUE(s.Start()) << s.Error();
        std::vector<std::string> expected;
        for (const std::string& line : c.lines) expected.push_back("Rule file \"" + file + "\"" + line);
        EXPECT_EQ(s.Kernel().Logs(), expected);
        EXPECT_TRUE(s.Kernel().Traces().empty());
        if (c.text != bad.c_str()) continue;

        // Read as before: the time handed on as it is (this host refuses it), the
        // number saturated and the prefix of the item id.
        s.SendStartEvents();
        EXPECT_EQ(s.EventTime()->Refused(), 1u);
        const ObjectId p = s.CreatePlayer(u"p", 2, {{"CompeteAlwaysWin", 0}, {"Level", 1}});
        s.LoginPlayer(p);
        s.SetProperty(p, "CompeteAlwaysWin", 2147483646);
        EXPECT_EQ(world.Store().Snapshot(u"Pub_TopAlwaysWin", "PlayerTopAlwaysWinRec").value().rows.size(), 0u);
        ASSERT_TRUE(world.Store().Seed(u"Pub_TopAlwaysWin", "PlayerTopAlwaysWinRec", 150,
                                       {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT}, {R(u"p", 40)}));
        s.RunCommand(s.Kernel().SceneObject(2), Command(326, 13));
        ASSERT_EQ(s.Letters()->Mailbox(u"p").size(), 1u);
        EXPECT_EQ(s.Letters()->Mailbox(u"p")[0].attachment, u"7,2,,,;");
    }
}
