// Four servers on their own threads share one list; after every release of the
// list's lock the list must be whole.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>

#include "PlayerListSupport.h"
#include "Utility/NumberText.h"
#include "host/World.h"
#include "host/ListInvariants.h"

using namespace PlayerList;

namespace {

// The full load in optimised builds; unoptimised and sanitizer builds run the
// same mix scaled down to stay within a minute on a busy machine.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kChanges = 40000;
#elif !defined(__OPTIMIZE__)
constexpr int kChanges = 80000;
#else
constexpr int kChanges = 200000;
#endif
constexpr int kServers = 4;
constexpr int kPlayers = 10000;

TEST(PlayerTopMultiServer, RandomWatchedChangesKeepTheSharedListWhole) {
    World world(kServers);
    ASSERT_TRUE(world.StartAll());
    std::vector<std::vector<ObjectId>> players(kServers);
    std::mt19937 seeding(7);
    for (int s = 0; s < kServers; ++s) {
        Server& server = world.server(s);
        server.CreateScene(1, "HomeScene");
        server.CreateScene(2);
        server.SendStartEvents();
        for (int i = 0; i < kPlayers / kServers; ++i) {
            // A third wait for "GutOver"; levels are spread so the list fills and churns.
            const int gutOver = seeding() % 3 == 0 ? 0 : 1;
            const int level = 1 + static_cast<int>(seeding() % 60);
            players[s].push_back(
                server.CreatePlayer(u"s" + IntToWide(s) + u"-" + IntToWide(i), 2, Properties(level, gutOver)));
            server.LoginPlayer(players[s].back());
        }
    }

    PubDataStore& store = world.Store();
    std::atomic<int> checks{0}, faults{0};
    std::string firstFault;  // written by the first reporter only, under the store's lock
    store.SetReleaseHook([&](PubDataStore& s, int, std::string_view property) {
        if (property != kLock) return;
        ++checks;
        std::string fault = ListInvariants::CheckRows(s, ListInvariants::kPlayerList);
        if (!fault.empty() && faults++ == 0) firstFault = std::move(fault);
    });

    for (int s = 0; s < kServers; ++s) {
        Server& server = world.server(s);
        server.StartThread();
        server.Post([s, &players](Server& self) {
            std::mt19937 random(static_cast<unsigned>(100 + s));
            const auto& mine = players[s];
            static constexpr const char* kOthers[] = {"Camp", "GuildPoint", "CastlePoint", "PeerageRank", "Nation"};
            for (int change = 0; change < kChanges / kServers; ++change) {
                const ObjectId p = mine[random() % mine.size()];
                const unsigned what = random() % 100;
                if (what < 60) {
                    const int level = std::get<int>(self.Kernel().Property(p, "Level"));
                    self.SetProperty(p, "Level", level + 1 + static_cast<int>(random() % 3));
                } else if (what < 65) {
                    self.SetProperty(p, "GutOver", 1);
                } else if (what < 66) {
                    self.Kernel().RunHeartBeat(self.Kernel().SceneObject(1), "PlayerTopSystem::H_TopListUpdate");
                } else {
                    self.SetProperty(p, kOthers[random() % 5], static_cast<int>(random() % 1000));
                }
            }
        });
    }
    for (int s = 0; s < kServers; ++s) world.server(s).StopThread();
    store.SetReleaseHook({});

    EXPECT_EQ(0, faults.load()) << firstFault;
    EXPECT_GT(checks.load(), 1000);
    EXPECT_EQ("", ListInvariants::Check(store, ListInvariants::kPlayerList));
    EXPECT_EQ(150u, Rows(store).size());
    EXPECT_EQ("", world.DiagnosticsText());
}

}  // namespace
