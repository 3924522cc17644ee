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
    EXPECT_EQ(letter.sender + u"|" + letter.title + u"|" + letter.content + u"|" + letter.attachment + u"|" + letter.extra,
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
