// Four servers on their own threads change charms, gifts and levels of their
// players while hourly re-sorts run; the shared list must stay whole throughout.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>

#include "CharmList.h"
#include "host/World.h"
#include "host/ListInvariants.h"

namespace {

constexpr int kServers = 4;
constexpr int kPlayersPerServer = 50;  // 200 players for 150 rows: the list fills up
constexpr int kTasksPerServer = 40;
constexpr int kChangesPerTask = 30;

// "s1p07": server 1, player 7 (readable back from a row's name).
std::u16string PlayerName(int server, int i) {
    return {u's', char16_t(u'0' + server), u'p', char16_t(u'0' + i / 10), char16_t(u'0' + i % 10)};
}

TEST(CharmMultiServer, ListStaysWholeUnderConcurrentChangesAndResorts) {
    World world(kServers);
    ASSERT_TRUE(world.StartAll());

    // Every time a holder releases the lock, the list must be as a holder may leave it.
    std::atomic<bool> faulty{false};
    std::string firstFault;
    world.Store().SetReleaseHook([&](PubDataStore& store, int, std::string_view property) {
        if (property != charm::kLock || faulty.load()) return;
        std::string fault = ListInvariants::CheckRows(store, ListInvariants::kCharmList);
        if (!fault.empty() && !faulty.exchange(true)) firstFault = fault;
    });

    std::vector<std::vector<ObjectId>> players(kServers);
    for (int s = 0; s < kServers; ++s) {
        Server& server = world.server(s);
        server.CreateScene(1, "HomeScene");
        server.CreateScene(2, "BaseScene");
        server.SendStartEvents();
        for (int i = 0; i < kPlayersPerServer; ++i) {
            players[s].push_back(server.CreatePlayer(PlayerName(s + 1, i), 2,
                                                     {{"GutOver", i % 7 == 0 ? 0 : 1}, {"Charm", i}, {"Level", 1}}));
        }
        server.StartThread();
    }

    for (int s = 0; s < kServers; ++s) {
        Server& server = world.server(s);
        server.Post([&players, s](Server& self) {
            for (const ObjectId& p : players[s]) self.LoginPlayer(p);
        });
        for (int t = 0; t < kTasksPerServer; ++t) {
            server.Post([&players, s, t](Server& self) {
                std::mt19937 random(static_cast<unsigned>(s * 1000 + t));
                const auto& mine = players[s];
                for (int c = 0; c < kChangesPerTask; ++c) {
                    const ObjectId& p = mine[random() % mine.size()];
                    switch (random() % 6) {
                        case 0: self.SetProperty(p, "GiftNum", static_cast<int>(random() % 50)); break;
                        case 1: self.SetProperty(p, "Level", static_cast<int>(random() % 100)); break;
                        case 2: self.SetProperty(p, "GutOver", 1); break;
                        default: self.SetProperty(p, "Charm", static_cast<int>(random() % 400)); break;
                    }
                }
                // An hour passes now and then: the armed heartbeat re-sorts the list.
                if (t % 10 == 9) self.Kernel().Advance(3600000);
            });
        }
    }
    for (int s = 0; s < kServers; ++s) world.server(s).StopThread();
    world.Store().SetReleaseHook(nullptr);

    EXPECT_FALSE(faulty.load()) << firstFault;
    EXPECT_EQ(ListInvariants::Check(world.Store(), ListInvariants::kCharmList), "");
    const auto rows = charm::Rows(world.Store());
    EXPECT_EQ(rows.size(), 150u);
    EXPECT_EQ(world.DiagnosticsText(), "");

    // Every change of a listed player reached his own row and no other.
    for (const charm::Row& row : rows) {
        const int s = row.name[1] - u'1';
        const HostKernel& kernel = world.server(s).Kernel();
        const ObjectId& p = players[s][(row.name[3] - u'0') * 10 + (row.name[4] - u'0')];
        EXPECT_EQ(row.charm, std::get<int>(kernel.Property(p, "Charm")));
        EXPECT_EQ(row.level, std::get<int>(kernel.Property(p, "Level")));
        EXPECT_EQ(row.gift, std::get<int>(kernel.Property(p, "GiftNum")));
    }
}

}  // namespace
