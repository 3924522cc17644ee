// The host driving the real library end to end: client requests answered into
// inboxes, watched changes reaching the modules, daily events from the clock.
#include <gtest/gtest.h>

#include "support/HostFixture.h"

namespace {

class EndToEnd : public HostFixture {
protected:
    void SetUpResources() override {
        WriteResource("Rule\\PlayerTopAlwaysWin.ini",
                      "[PlayerAlwaysWinInitInfo]\nMinAlwaysWinNum=3\nRefreshTime=02:00:00\nPrizeItemid=13014999\nNum=1\n");
    }
};

TEST_F(EndToEnd, AWatchedLevelChangeReachesTheListAndTheReplyReachesTheInbox) {
    const ObjectId ann = Player(u"Ann", {{"Level", 10}, {"GutOver", 1}});
    const ObjectId bob = Player(u"Bob", {{"Level", 20}, {"GutOver", 1}});
    ASSERT_GT(server().Critical()->WatchCount(ann), 0u) << "login attached the watches";
    server().SetProperty(ann, "Level", 30);
    auto list = world().Store().Snapshot(u"Pub_PlayerTopInfo", "PlayerToplistRec");
    ASSERT_TRUE(list.has_value());
    ASSERT_EQ(list->rows.size(), 2u);
    EXPECT_EQ(std::get<std::u16string>(list->rows[0][0]), u"Ann");
    CVarList ask;
    ask << 140911;
    EXPECT_EQ(server().SendClientMessage(bob, ask), 1);
    ASSERT_EQ(server().Inbox(bob).size(), 1u);
    EXPECT_EQ(server().Inbox(bob)[0].IntAt(0), 100721);
    EXPECT_TRUE(server().Inbox(ann).empty());
}

TEST_F(EndToEnd, TheDailyEventArrivesFromTheClockAsCommand326) {
    const std::size_t registered = server().EventTime()->Registrations().size();
    ASSERT_GT(registered, 0u) << "OnSystemInit registered the daily event";
    EXPECT_EQ(server().EventTime()->Refused(), 0u);
    const ObjectId cyd = Player(u"Cyd", {{"CompeteAlwaysWin", 0}, {"Level", 3}}, 3);
    server().SetProperty(cyd, "CompeteAlwaysWin", 5);
    auto list = world().Store().Snapshot(u"Pub_TopAlwaysWin", "PlayerTopAlwaysWinRec");
    ASSERT_TRUE(list.has_value());
    ASSERT_EQ(list->rows.size(), 1u) << "a streak at the minimum or above enters the list";
    kernel().SetClock(2024, 3, 1, 1, 59, 0);
    kernel().Advance(2 * 60 * 1000);
    EXPECT_EQ(server().EventTime()->Fired(), server().EventTime()->Registrations().size());
    EXPECT_EQ(server().Letters()->Mailbox(u"Cyd").size(), 1u) << "the leader's prize, once per day";
    EXPECT_EQ(kernel().QueryInt(cyd, "CompeteAlwaysWin"), 0)
        << "the challenge scene's players were reset";
}

}  // namespace
