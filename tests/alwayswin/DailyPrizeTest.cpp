#include <atomic>

#include "AlwaysWinFixture.h"
#include "Utility/KernelClock.h"

TEST_F(AlwaysWinTest, DailyPrizePaysRankOneRecordsTheTimeClearsAndResetsChallengers) {
    Daily();  // an empty list pays nothing and records no date
    ASSERT_TRUE(Records("PlayerPrizeTimeRec").empty());
    const ObjectId waiting = Fighter(u"waiting", 1, 33, 3);
    SetStreak(Fighter(u"low", 10), 50);
    SetStreak(Fighter(u"high", 20), 50);  // inserted below the equal streak; its Level wins the re-sort
    Daily();
    ASSERT_EQ(Letters(), 1u);
    ASSERT_EQ(Mail(u"high").size(), 1u);
    const LetterSystem::Letter& letter = Mail(u"high")[0];
    EXPECT_EQ(
        letter.sender + u"|" + letter.title + u"|" + letter.content + u"|" + letter.attachment + u"|" + letter.extra,
        u"System|SystemMail_Title_000012|SystemMail_Content_000012|13014999,1,,,;|");
    EXPECT_EQ(letter.kind, 5);
    EXPECT_EQ(Records("PlayerPrizeTimeRec"), (std::vector<Row>{{static_cast<int>(CurrentTime(&kernel(), false))}}));
    EXPECT_TRUE(List().empty());
    EXPECT_EQ(Streak(waiting), 0);
    EXPECT_EQ(Lock(), 0);
}

TEST_F(AlwaysWinTest, DailyPrizeOncePerCalendarDate) {
    Seed({R(u"first", 40)});
    Daily(12);  // another timed event
    EXPECT_EQ(Letters(), 0u);
    Daily();
    Seed({R(u"second", 40)});
    kernel().SetClock(2024, 1, 1, 23, 59, 59);
    Daily();
    EXPECT_EQ(List(), (std::vector<Row>{R(u"second", 40)}));
    kernel().Advance((2 * 3600 + 1) * 1000);  // past midnight and the three registrations at 02:00
    EXPECT_EQ(server().EventTime()->Fired(), 3u);
    EXPECT_EQ(Mail(u"first").size(), 1u);
    EXPECT_EQ(Mail(u"second").size(), 1u);
    EXPECT_EQ(Letters(), 2u);
}

TEST_F(AlwaysWinTest, DailyPrizeDateCheckComparesYearMonthAndDay) {
    struct Case {
        int paid[3];
        int event[3];
        bool pays;
    };
    const Case cases[] = {{{2024, 3, 5}, {2024, 4, 5}, true},
                          {{2024, 3, 5}, {2025, 3, 5}, true},
                          {{2024, 3, 5}, {2024, 3, 6}, true},
                          {{2024, 3, 5}, {2024, 3, 5}, false}};
    for (const Case& c : cases) {
        kernel().SetClock(c.paid[0], c.paid[1], c.paid[2], 0, 0, 1);
        const int paidAt = static_cast<int>(CurrentTime(&kernel(), false));
        ASSERT_TRUE(Store().Seed(u"Pub_TopAlwaysWin", "PlayerPrizeTimeRec", 1, {VT_INT}, {{paidAt}}));
        Seed({R(u"champ", 40)});
        kernel().SetClock(c.event[0], c.event[1], c.event[2], 23, 59, 59);
        const std::size_t before = Letters();
        Daily();
        EXPECT_EQ(Letters() - before, c.pays ? 1u : 0u) << c.event[0] << "-" << c.event[1] << "-" << c.event[2];
    }
}

// The prize time is stored as its low 32 bits: negative from 2038-01-19 03:14:08,
// 0 again at 2106-02-07 06:28:16 (UTC, the fixture's zone).
TEST_F(AlwaysWinTest, DailyPrizeStaysOncePerDayAcrossThe32BitEdges) {
    struct Case {
        int paid[6];
        int later[6];
        bool pays;
    };
    const Case cases[] = {
        {{2038, 1, 19, 3, 14, 7}, {2038, 1, 19, 3, 14, 8}, false},
        {{2038, 1, 19, 3, 14, 8}, {2038, 1, 19, 23, 0, 0}, false},
        {{2038, 1, 19, 3, 14, 8}, {2038, 1, 20, 0, 0, 0}, true},
        {{2038, 1, 18, 23, 0, 0}, {2038, 1, 19, 3, 14, 8}, true},
        {{2106, 2, 7, 6, 28, 15}, {2106, 2, 7, 6, 28, 16}, false},
        {{2106, 2, 7, 6, 28, 16}, {2106, 2, 7, 23, 59, 59}, false},
        {{2106, 2, 7, 6, 28, 16}, {2106, 2, 8, 0, 0, 1}, true},
        {{2106, 2, 6, 23, 0, 0}, {2106, 2, 7, 6, 28, 16}, true},
    };
    for (const Case& c : cases) {
        const auto at = [&](const int(&t)[6]) { kernel().SetClock(t[0], t[1], t[2], t[3], t[4], t[5]); };
        Store().RemoveRecord(Store().SpaceIndex(u"Pub_TopAlwaysWin"), "PlayerPrizeTimeRec");
        kernel().RaiseEvent(Scene(2), "OnSystemInit");
        at(c.paid);
        Seed({R(u"champ", 40)});
        const std::size_t before = Letters();
        Daily();
        const std::int64_t paidAt = CurrentTime(&kernel(), false);
        ASSERT_EQ(Records("PlayerPrizeTimeRec"), (std::vector<Row>{{static_cast<int>(paidAt & 0xFFFFFFFF)}}));
        at(c.later);
        Seed({R(u"champ", 40)});
        Daily();
        EXPECT_EQ(Letters() - before, c.pays ? 2u : 1u) << c.later[0] << "-" << c.later[1] << "-" << c.later[2];
    }
    kernel().SetClock(2038, 1, 19, 3, 14, 8);
    EXPECT_EQ(CurrentTime(&kernel(), false), std::int64_t{1} << 31);
    kernel().SetClock(2106, 2, 7, 6, 28, 16);
    EXPECT_EQ(CurrentTime(&kernel(), false), std::int64_t{1} << 32);
}

TEST_F(AlwaysWinTest, TwoServersFiringTogetherPayOneLetterPerDay) {
    ServerOptions options;
    options.resourcePath = ResourceDir();
    Server& other = world().AddServer(options);
    other.CreateScene(2, "BaseScene");
    ASSERT_TRUE(other.Start()) << other.Error();
    other.SendStartEvents();
    Server* servers[] = {&server(), &other};
    for (Server* s : servers) s->StartThread();
    for (int day = 0; day < 60; ++day) {
        Seed({R(u"champ", 40), R(u"second", 35)});
        world().SetClock(2024, 3, 1 + day, 2);
        std::atomic<int> ready{0};
        for (Server* s : servers) {
            s->Post([&](Server& self) {
                for (++ready; ready.load() < 2;) {  // both fire at once
                }
                self.RunCommand(self.Kernel().SceneObject(2), Command(326, 13));
            });
        }
        for (Server* s : servers) s->WaitIdle();
        ASSERT_EQ(Letters() + other.Letters()->TotalLetters(), static_cast<std::size_t>(day + 1)) << "day " << day;
    }
    EXPECT_EQ(Lock(), 0);
}

// Every server resets the streaks waiting in its own challenge scenes once per
// local day, once the day's prize is recorded, whichever server paid it.
TEST_F(AlwaysWinTest, EveryServerResetsItsOwnChallengersOncePerPaidDay) {
    std::vector<Server*> servers{&server()};
    std::vector<ObjectId> waiting{Fighter(u"w0", 1, 20, 3)};
    int month = 5;
    for (const std::size_t count : {2u, 4u}) {
        while (servers.size() < count) {
            ServerOptions options;
            options.resourcePath = ResourceDir();
            Server& s = world().AddServer(options);
            s.CreateScene(2, "BaseScene");
            s.CreateScene(3, "BaseScene", "ChallengeWaitScene");
            ASSERT_TRUE(s.Start()) << s.Error();
            s.SendStartEvents();
            waiting.push_back(
                s.CreatePlayer(u"w" + std::u16string(1, u'0' + servers.size()), 3, {{"CompeteAlwaysWin", 20}}));
            servers.push_back(&s);
        }
        const auto fireAll = [&](std::size_t first) {
            for (std::size_t i = 0; i < count; ++i) {
                Server& s = *servers[(first + i) % count];
                s.RunCommand(s.Kernel().SceneObject(2), Command(326, 13));
            }
        };
        const auto streaks = [&](int each) {
            std::vector<int> all;
            for (std::size_t i = 0; i < count; ++i)
                all.push_back(servers[i]->Kernel().QueryInt(waiting[i], "CompeteAlwaysWin"));
            return all == std::vector<int>(count, each);
        };
        const auto setStreaks = [&] {
            for (std::size_t i = 0; i < count; ++i) servers[i]->SetProperty(waiting[i], "CompeteAlwaysWin", 20);
        };
        const auto letters = [&] {
            std::size_t total = 0;
            for (Server* s : servers) total += s->Letters()->TotalLetters();
            return total;
        };
        const std::size_t lettersBefore = letters();
        world().SetClock(2024, month++, 1, 2);
        setStreaks();
        fireAll(0);  // nothing listed: no prize, nothing reset
        EXPECT_TRUE(streaks(20)) << count;
        Seed({R(u"champ", 40)});
        fireAll(count - 1);  // the last server pays, every server resets its own
        EXPECT_TRUE(streaks(0)) << count;
        setStreaks();
        Seed({R(u"champ", 40)});
        fireAll(1);  // later the same day: no second prize, no second reset
        EXPECT_TRUE(streaks(20)) << count;
        world().SetClock(2024, month - 1, 2, 2);
        fireAll(0);
        EXPECT_TRUE(streaks(0)) << count;
        EXPECT_EQ(letters() - lettersBefore, 2u) << count;
    }
}
