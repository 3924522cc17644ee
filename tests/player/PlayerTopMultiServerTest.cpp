// Four servers on their own threads share one list; after every release of the
// list's lock the list must be whole: at most 150 rows, no name twice, levels
// never rising from one row to the next.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <string>

#include "PlayerListSupport.h"
#include "host/World.h"

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

struct Violations {
    std::atomic<int> count{0};
    std::atomic<int> checks{0};
    std::string first;  // written once, by the first reporter (under the store's lock)

    void Report(std::string what) {
        if (count.fetch_add(1) == 0) first = std::move(what);
    }
};

// Runs inside the store's lock after each release, so it must be quick: the
// buffers are reused and names are checked for repeats by sorting.
void CheckList(PubDataStore& store, int index, Violations& violations) {
    thread_local std::vector<std::u16string> names;
    const int rows = store.Rows(index, kRecord);
    violations.checks.fetch_add(1, std::memory_order_relaxed);
    if (rows > 150) violations.Report("more than 150 rows: " + std::to_string(rows));
    names.resize(static_cast<std::size_t>(std::max(rows, 0)));
    int previous = INT32_MAX;
    for (int row = 0; row < rows; ++row) {
        store.QueryWideStr(index, kRecord, row, 0, names[static_cast<std::size_t>(row)]);
        const int level = store.QueryInt(index, kRecord, row, 1);
        if (level > previous) violations.Report("level rises at row " + std::to_string(row));
        previous = level;
    }
    std::sort(names.begin(), names.end());
    if (std::adjacent_find(names.begin(), names.end()) != names.end()) violations.Report("a name twice");
}

std::u16string NameOf(int server, int i) {
    std::u16string name = u"s";
    name += static_cast<char16_t>(u'0' + server);
    name += u'-';
    for (char c : std::to_string(i)) name += static_cast<char16_t>(c);
    return name;
}

TEST(PlayerTopMultiServer, RandomWatchedChangesKeepTheSharedListWhole) {
    World world(kServers);
    ASSERT_TRUE(world.StartAll());
    std::vector<std::vector<ObjectId>> players(kServers);
    std::mt19937 seeding(7);
    for (int s = 0; s < kServers; ++s) {
        Server& server = world.server(static_cast<std::size_t>(s));
        server.CreateScene(1, "HomeScene");
        server.CreateScene(2);
        server.SendStartEvents();
        for (int i = 0; i < kPlayers / kServers; ++i) {
            // A third wait for "GutOver"; levels are spread so the list fills and churns.
            const int gutOver = seeding() % 3 == 0 ? 0 : 1;
            const ObjectId p = server.CreatePlayer(NameOf(s, i), 2, Properties(1 + static_cast<int>(seeding() % 60), gutOver));
            server.LoginPlayer(p);
            players[static_cast<std::size_t>(s)].push_back(p);
        }
    }

    PubDataStore& store = world.Store();
    Violations violations;
    store.SetReleaseHook([&violations](PubDataStore& s, int index, std::string_view property) {
        if (property == kLock) CheckList(s, index, violations);
    });

    for (int s = 0; s < kServers; ++s) {
        Server& server = world.server(static_cast<std::size_t>(s));
        server.StartThread();
        server.Post([s, &players](Server& self) {
            std::mt19937 random(static_cast<unsigned>(100 + s));
            const auto& mine = players[static_cast<std::size_t>(s)];
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
    for (int s = 0; s < kServers; ++s) world.server(static_cast<std::size_t>(s)).StopThread();
    store.SetReleaseHook({});

    EXPECT_EQ(0, violations.count.load()) << violations.first;
    EXPECT_GT(violations.checks.load(), 1000);
    EXPECT_EQ(0, LockValue(store));
    const int index = store.SpaceIndex(kSpace);
    EXPECT_EQ(150, store.Rows(index, kRecord));
    Violations finalCheck;
    CheckList(store, index, finalCheck);
    EXPECT_EQ(0, finalCheck.count.load()) << finalCheck.first;
    EXPECT_EQ("", world.DiagnosticsText());
}

}  // namespace
