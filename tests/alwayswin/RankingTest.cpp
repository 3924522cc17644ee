#include <new>

#include "AlwaysWinFixture.h"
#include "Utility/NumberText.h"
#include "support/AllocationControl.h"

TEST_F(AlwaysWinTest, MinimumEntersAFallKeepsTheRowAClimbRewritesIt) {
    const ObjectId a = Fighter(u"a", 10);
    const ObjectId b = Fighter(u"b", 1);
    SetStreak(a, 29);
    EXPECT_TRUE(List().empty());
    SetStreak(a, 30);
    SetStreak(a, 40);
    SetStreak(b, 35);
    for (int fall : {29, 0, 29}) SetStreak(a, fall);
    EXPECT_EQ(List(), (std::vector<Row>{R(u"a", 40, 10), R(u"b", 35)}));
    SetStreak(a, 30);
    EXPECT_EQ(List(), (std::vector<Row>{R(u"b", 35), R(u"a", 30, 10)}));
    SetStreak(a, 31);
    EXPECT_EQ(List(), (std::vector<Row>{R(u"b", 35), R(u"a", 31, 10)}));
    EXPECT_EQ(Lock(), 0);
}

TEST_F(AlwaysWinTest, InsertionGoesBelowEqualStreaksAndAFullListAdmitsOnlyAboveTheLast) {
    Seed({R(u"w", 60), R(u"x", 55), R(u"y", 55), R(u"z", 40)});
    for (auto [name, streak] : {std::pair{u"eq", 55}, {u"top", 70}, {u"low", 31}}) SetStreak(Fighter(name, 1), streak);
    EXPECT_EQ(List(), (std::vector<Row>{R(u"top", 70), R(u"w", 60), R(u"x", 55), R(u"y", 55), R(u"eq", 55), R(u"z", 40),
                                        R(u"low", 31)}));
    std::vector<Row> rows;
    for (int i = 0; i < 150; ++i) rows.push_back(R(u"p" + IntToWide(i), i < 50 ? 50 : 31));
    Seed(rows);
    SetStreak(Fighter(u"tie", 1), 31);
    EXPECT_EQ(List(), rows);
    SetStreak(Fighter(u"new", 1), 32);
    rows.pop_back();
    rows.insert(rows.begin() + 50, R(u"new", 32));
    EXPECT_EQ(List(), rows);
}

TEST_F(AlwaysWinTest, ListRequestResortsThenRepliesWithRankAndRows) {
    const auto reply = [this](const ObjectId& p) {
        server().SendClientMessage(p, Command(150516, 0));
        Row values;
        for (std::size_t i = 0; i < server().Inbox(p).back().Size(); ++i)
            values.push_back(ValueFromList(server().Inbox(p).back(), i));
        return values;
    };
    const auto expected = [](int rank, const Row& own, const std::vector<Row>& rows) {
        Row values{101162, rank};
        values.insert(values.end(), own.begin(), own.end());
        for (std::size_t j = 0; j < rows.size(); ++j) {
            values.push_back(static_cast<int>(j + 1));
            values.insert(values.end(), rows[j].begin(), rows[j].end());
        }
        return values;
    };
    const ObjectId me = Fighter(u"me", 7, 5);
    EXPECT_EQ(reply(me), expected(0, {u"me", 7, 2, 3, 5}, {}));  // an empty list: only the requester

    // Of equal keys the row nearer the top survives; names order by 16-bit units, a prefix first.
    Seed({{u"Bob", 10, 1, 1, 40},
          {u"Alan", 20, 1, 1, 40},
          {u"Al", 20, 7, 7, 40},
          {u"Zed", 5, 1, 1, 50},
          {u"Al", 20, 8, 8, 40},
          {u"\u00e9", 20, 1, 1, 40}});
    const std::vector<Row> sorted{{u"Zed", 5, 1, 1, 50},
                                  {u"Al", 20, 7, 7, 40},
                                  {u"Alan", 20, 1, 1, 40},
                                  {u"\u00e9", 20, 1, 1, 40},
                                  {u"Bob", 10, 1, 1, 40}};
    EXPECT_EQ(reply(me), expected(0, {u"me", 7, 2, 3, 5}, sorted));
    EXPECT_EQ(List(), sorted);
    // A listed requester gets the stored row, not his current values.
    EXPECT_EQ(reply(Fighter(u"Bob", 99)), expected(5, sorted[4], sorted));
}

TEST_F(AlwaysWinTest, OnlyTheExactChallengeSceneResetsItsPlayersAndTheRowStays) {
    server().CreateScene(4, "BaseScene", "ChallengeWaitScene2");
    server().CreateScene(5, "BaseScene", "challengewaitscene");
    std::vector<ObjectId> players;
    for (int scene : {2, 3, 4, 5}) players.push_back(Fighter(u"p" + IntToWide(scene), 1, 40, scene));
    SetStreak(players[1], 40);
    for (int scene : {2, 4, 5, 3}) server().RunCommand(Scene(scene), Command(1063, 0));
    EXPECT_EQ((std::vector<int>{Streak(players[0]), Streak(players[1]), Streak(players[2]), Streak(players[3])}),
              (std::vector<int>{40, 0, 40, 40}));
    EXPECT_EQ(List(), (std::vector<Row>{R(u"p3", 40)}));
}

TEST_F(AlwaysWinTest, RunningOutOfMemoryLeavesNoEmptyRowAndNoHeldLock) {
    SetStreak(Fighter(u"a", 1), 35);
    const std::u16string longName(40, u'b');  // too long for a list's inline storage: it allocates
    const ObjectId b = Fighter(longName, 1);
    bool triggered = true;
    for (std::uint64_t k = 1; triggered; ++k) {
        SetStreak(b, 0);
        ScopedAllocationFailure failure(k);
        try {
            SetStreak(b, 40);
        } catch (const std::bad_alloc&) {}
        triggered = failure.Triggered();
        AllocationControl::Disarm();
        for (const Row& row : List()) ASSERT_NE(row[0], HostValue(std::u16string())) << "allocation " << k;
        ASSERT_EQ(Lock(), 0) << "allocation " << k;
    }
    EXPECT_EQ(List(), (std::vector<Row>{R(longName, 40), R(u"a", 35)}));
}
