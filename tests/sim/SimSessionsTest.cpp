// Players logging out and in again in the simulator (fewer than all online):
// a player comes back as he left, only online players act, and the host keeps
// nothing of a player who left.
#include <gtest/gtest.h>

#include "sim/SimActivity.h"
#include "sim/SimExtension.h"
#include "support/HostFixture.h"

namespace {

class SimSessions : public HostFixture {
protected:
    // Players named P0, P1, ... admitted to the lists, each with his index as
    // his level plus 10; those the model starts offline are kept offline.
    void MakePlayers(SimServerState& state, int count) {
        state.server = &server();
        state.activity = &model;
        for (int i = 0; i < count; ++i) {
            const auto index = static_cast<std::size_t>(i);
            state.names.push_back(u"P" + std::u16string(1, static_cast<char16_t>(u'0' + i)));
            state.scenes.push_back(2);
            state.players.push_back({});
            PlayerProperties properties = {{"GutOver", 1}, {"Level", 10 + i}};
            if (!state.StartsOnline(index)) {
                state.KeepOffline(index, std::move(properties));
                continue;
            }
            state.players[index] = server().CreatePlayer(state.names[index], 2, properties);
            state.LogIn(index);
        }
    }

    int ListedLevel(const std::u16string& name) {
        const auto list = world().Store().Snapshot(u"Pub_PlayerTopInfo", "PlayerToplistRec");
        for (const auto& row : list->rows)
            if (std::get<std::u16string>(row[0]) == name) return std::get<int>(row[1]);
        return -1;
    }

    SimActivity model;
};

TEST_F(SimSessions, TheShareOnlineIsSpreadEvenlyAndOnlyTheyAct) {
    std::string error;
    ASSERT_TRUE(model.Set("online=0.25", error)) << error;
    SimServerState state;
    state.rng.seed(3);
    MakePlayers(state, 8);
    EXPECT_EQ(state.OnlineCount(), 2u);
    EXPECT_EQ(ListedLevel(u"P0"), -1) << "an offline player never logged in";
    for (int n = 0; n < 200; ++n) EXPECT_TRUE(state.Online(state.Pick()));
    const std::uint64_t changes = state.changes;
    state.Set(0, "Level", 99);  // offline: nothing happens
    EXPECT_EQ(state.changes, changes);
    EXPECT_EQ(state.Times("level"), 1u) << "at least once a step while the rate is above 0";
}

TEST_F(SimSessions, APlayerComesBackAsHeLeftAndTheHostForgetsHim) {
    std::string error;
    ASSERT_TRUE(model.Set("online=0.5", error)) << error;
    SimServerState state;
    state.rng.seed(5);
    MakePlayers(state, 4);
    const std::size_t who = state.FirstOnline();
    state.Set(who, "Level", 77);
    EXPECT_EQ(ListedLevel(state.names[who]), 77);
    const ObjectId before = state.players[who];
    state.LogOut(who);
    EXPECT_FALSE(state.Online(who));
    EXPECT_FALSE(kernel().Exists(before));
    EXPECT_EQ(server().Critical()->WatchCount(before), 0u) << "the watches of a player who left are dropped";
    EXPECT_EQ(ListedLevel(state.names[who]), 77) << "his row stays while he is away";

    state.LogInAgain(who);
    ASSERT_TRUE(state.Online(who));
    EXPECT_EQ(std::get<int>(kernel().Property(state.players[who], "Level")), 77);
    state.Set(who, "Level", 78);  // his watches are back
    EXPECT_EQ(ListedLevel(state.names[who]), 78);
    EXPECT_EQ(state.logouts, 1u);
    EXPECT_EQ(state.loginsAgain, 1u);
    EXPECT_EQ(state.OnlineCount(), 2u);
}

}  // namespace
