// The simulator's workload as a benchmark: watched property changes of logged-in
// players flowing through all three leaderboards (level, guild points, charm and
// win streak), on 1, 2 and 4 servers sharing one public data store, each server
// driven by its own thread. Figures: changes per second against the target of
// 100,000 per second, and failed lock tries (lock waits) per change.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/World.h"

namespace {

constexpr int kPlayersPerServer = 2000;
constexpr int kTargetChangesPerSecond = 100'000;

struct PlayerValues {
    ObjectId id;
    int level = 0, guildPoint = 0, charm = 0, streak = 0;
};

ServerOptions LenientText() {
    ServerOptions options;
    options.strictKernelText = false;
    return options;
}

struct BenchWorld {
    World world;
    std::vector<std::vector<PlayerValues>> players;  // per server
    std::vector<std::mt19937> rngs;

    // Without the host's strict text mode, which copies every text it hands out.
    explicit BenchWorld(int servers) : world(servers, LenientText()) {
        players.resize(static_cast<std::size_t>(servers));
        for (int s = 0; s < servers; ++s) {
            Server& server = world.server(static_cast<std::size_t>(s));
            if (!server.Start() || !server.AllModulesStarted()) std::abort();
            server.CreateScene(1, "HomeScene");
            server.CreateScene(2, "BaseScene");
            server.CreateScene(3, "BaseScene", "ChallengeWaitScene");
            server.SendStartEvents();
            rngs.emplace_back(static_cast<unsigned>(s + 1));
            std::mt19937& rng = rngs.back();
            for (int i = 0; i < kPlayersPerServer; ++i) {
                PlayerValues p;
                p.level = static_cast<int>(rng() % 80) + 1;
                p.guildPoint = static_cast<int>(rng() % 500);
                p.charm = static_cast<int>(rng() % 300);
                char name[32];
                const int length = std::snprintf(name, sizeof name, "S%dPlayer%d", s + 1, i);
                p.id = server.CreatePlayer(std::u16string(name, name + length), i % 10 == 9 ? 3 : 2,
                                           {{"Level", p.level},
                                            {"Nation", i % 5},
                                            {"ProfType", i % 6 + 1},
                                            {"GuildName", std::u16string(u"Iron Wolves")},
                                            {"GuildPoint", p.guildPoint},
                                            {"CastleName", std::u16string()},
                                            {"CastleNameID", std::string()},
                                            {"Charm", p.charm},
                                            {"GiftNum", 0},
                                            {"CompeteAlwaysWin", 0},
                                            {"GutOver", 1}});
                server.LoginPlayer(p.id);
                players[static_cast<std::size_t>(s)].push_back(p);
            }
        }
    }

    // One watched change on server s: a level, guild points, charm, or a fight's
    // win (four in five) or loss.
    void Change(std::size_t s, std::uint64_t step) {
        std::mt19937& rng = rngs[s];
        PlayerValues& p = players[s][rng() % kPlayersPerServer];
        Server& server = world.server(s);
        switch (step % 4) {
            case 0: server.SetProperty(p.id, "Level", ++p.level); break;
            case 1: server.SetProperty(p.id, "GuildPoint", p.guildPoint += 7); break;
            case 2: server.SetProperty(p.id, "Charm", p.charm += static_cast<int>(rng() % 20) + 1); break;
            default: server.SetProperty(p.id, "CompeteAlwaysWin", p.streak = rng() % 5 != 0 ? p.streak + 1 : 0);
        }
    }
};

// One world per server count for the whole program, built before the threads start.
BenchWorld& WorldOf(int servers) {
    static std::unique_ptr<BenchWorld> worlds[5];
    auto& w = worlds[servers];
    if (!w) w = std::make_unique<BenchWorld>(servers);
    return *w;
}

void BM_SimulationWatchedChanges(benchmark::State& state) {
    static BenchWorld* world = nullptr;
    if (state.thread_index() == 0) world = &WorldOf(state.threads());
    const auto s = static_cast<std::size_t>(state.thread_index());
    // No other thread changes anything before the loop's opening barrier.
    const std::uint64_t waitsBefore = s == 0 ? world->world.Store().CompareSetFailuresTotal() : 0;
    std::uint64_t step = 0;
    for (auto _ : state) world->Change(s, step++);  // the loop starts once every thread is here: world is set
    state.SetItemsProcessed(state.iterations());
    if (s == 0) {
        // Read after the closing barrier: every server's changes are in.
        const double changes = static_cast<double>(state.iterations()) * state.threads();
        state.counters["lock_waits_per_change"] =
            static_cast<double>(world->world.Store().CompareSetFailuresTotal() - waitsBefore) / changes;
        state.counters["servers"] = state.threads();
        char label[32];
        std::snprintf(label, sizeof label, "target:%d/s", kTargetChangesPerSecond);
        state.SetLabel(label);
    }
    if (!world->world.DiagnosticsText().empty()) state.SkipWithError("the host diagnosed a refused operation");
}
BENCHMARK(BM_SimulationWatchedChanges)->Threads(1)->Threads(2)->Threads(4)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
