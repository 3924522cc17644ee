// Leaderboard operations on full 150-row lists in the reference host, with the
// real library loaded: time, kernel calls and heap allocations per operation.
// Allocations are counted by the tests' replacement of the global operator new
// (tests/support/AllocationControl.h), which the plug-in binds to as well; they
// include the host's own share (see the HostSetUnwatchedProperty baseline).
// Each leaderboard has its own section below.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "host/World.h"
#include "module/ICriticalManagerSystem.h"
#include "tests/support/AllocationControl.h"

namespace {

// --- shared set-up -------------------------------------------------------------------

// One server with the library started, a home scene (1) and a base scene (2).
struct BenchServer {
    World world;
    Server* server = nullptr;

    BenchServer() {
        server = &world.AddServer();
        if (!server->Start()) std::abort();
        server->CreateScene(1, "HomeScene");
        server->CreateScene(2);
        server->SendStartEvents();
    }
    HostKernel& Kernel() { return server->Kernel(); }
};

std::u16string Numbered(const char16_t* prefix, int i) {
    std::u16string name = prefix;
    for (char c : std::to_string(i)) name += static_cast<char16_t>(c);
    return name;
}

// Runs the loop body and reports kernel calls and allocations per iteration.
template <class Body>
void Measure(benchmark::State& state, HostKernel& kernel, Body body) {
    const std::uint64_t calls = kernel.KernelCalls();
    const std::uint64_t allocations = AllocationControl::Count();
    for (auto _ : state) body();
    const double n = static_cast<double>(state.iterations());
    state.counters["kernel_calls"] = static_cast<double>(kernel.KernelCalls() - calls) / n;
    state.counters["allocs"] = static_cast<double>(AllocationControl::Count() - allocations) / n;
}

// --- player leaderboard ------------------------------------------------------------------

std::vector<std::pair<std::string, HostValue>> PlayerProperties(int level) {
    return {{"Level", level},      {"Nation", 1},       {"ProfType", 2},
            {"GuildName", std::u16string(u"Order of the Lion")},   {"GuildPoint", 3},
            {"GuildContribut", 4}, {"CastleName", std::u16string(u"Northwatch")}, {"CastlePoint", 5},
            {"Camp", 6},           {"PeerageRank", 7},  {"PeerageExp", 8},
            {"GutOver", 1}};
}

// 150 players logged in with ranking values top, top - 1, ...; returns them in rank order.
template <class Properties>
std::vector<ObjectId> FillList(BenchServer& bench, const char16_t* prefix, int top, Properties properties) {
    std::vector<ObjectId> players;
    for (int i = 0; i < 150; ++i) {
        const ObjectId p = bench.server->CreatePlayer(Numbered(prefix, i), 2, properties(top - i));
        bench.server->LoginPlayer(p);
        players.push_back(p);
    }
    return players;
}

// 150 listed players, levels 189 down to 40.
std::vector<ObjectId> FillPlayerList(BenchServer& bench) { return FillList(bench, u"Adventurer_", 189, PlayerProperties); }

// A listed player who moves between the middle and the top on every change,
// through the host's watches (the charm and win-streak modules react as well).
void BM_PlayerEnterTopList_Moving(benchmark::State& state) {
    BenchServer bench;
    const auto players = FillPlayerList(bench);
    const ObjectId mover = players[75];
    int step = 0;
    Measure(state, bench.Kernel(), [&] {
        bench.server->SetProperty(mover, "Level", (++step & 1) != 0 ? 500 + step % 2 : 114);
    });
}
BENCHMARK(BM_PlayerEnterTopList_Moving);

// A critical manager that only records the declared callbacks, so a benchmark
// can call one module's handler directly: its figures are that module's alone.
class DirectCallbacks final : public ICriticalManagerSystem {
public:
    bool DeclarePropertyCallback(IKernel*, PropertyCallback func, const char* name) override {
        declared_.emplace_back(name, func);
        return true;
    }
    bool AddPropertyWatch(IKernel*, const ObjectId&, const char*, const char*) override { return true; }
    PropertyCallback Find(std::string_view name) const {
        for (const auto& [declared, func] : declared_) {
            if (declared == name) return func;
        }
        std::abort();
    }

private:
    std::vector<std::pair<std::string, PropertyCallback>> declared_;
};

// The same move, calling only "PlayerTopSystem::OnLevelChanged" after a silent
// change of the level: EnterTopList's own kernel calls and allocations.
void BM_PlayerEnterTopList_MovingDirect(benchmark::State& state) {
    DirectCallbacks callbacks;
    World world;
    ServerOptions options;
    options.withCriticalManager = false;  // no observer: property sets fire nothing
    Server& server = world.AddServer(options);
    server.Kernel().RegisterSibling("CriticalManagerSystem", &callbacks);
    if (!server.Start()) std::abort();
    server.CreateScene(1, "HomeScene");
    server.CreateScene(2);
    server.SendStartEvents();
    std::vector<ObjectId> players;
    for (int i = 0; i < 150; ++i) {
        const ObjectId p = server.CreatePlayer(Numbered(u"Adventurer_", i), 2, PlayerProperties(189 - i));
        server.LoginPlayer(p);
        players.push_back(p);
    }
    const PropertyCallback onLevelChanged = callbacks.Find("PlayerTopSystem::OnLevelChanged");
    HostKernel& kernel = server.Kernel();
    const ObjectId mover = players[75];
    CVarList previous;
    previous.PushInt(114);
    int step = 0;
    Measure(state, kernel, [&] {
        state.PauseTiming();
        kernel.SetProperty(mover, "Level", (++step & 1) != 0 ? 500 + step % 2 : 114);
        state.ResumeTiming();
        onLevelChanged(&kernel, mover, "Level", previous);
    });
    server.Stop();
}
BENCHMARK(BM_PlayerEnterTopList_MovingDirect);

// The host's own cost of a property change that no module watches.
void BM_HostSetUnwatchedProperty(benchmark::State& state) {
    BenchServer bench;
    const auto players = FillPlayerList(bench);
    int step = 0;
    Measure(state, bench.Kernel(), [&] { bench.server->SetProperty(players[75], "Unwatched", ++step); });
}
BENCHMARK(BM_HostSetUnwatchedProperty);

void BM_PlayerTopListUpdate(benchmark::State& state) {
    BenchServer bench;
    FillPlayerList(bench);
    const ObjectId home = bench.Kernel().SceneObject(1);
    Measure(state, bench.Kernel(), [&] { bench.Kernel().RunHeartBeat(home, "PlayerTopSystem::H_TopListUpdate"); });
}
BENCHMARK(BM_PlayerTopListUpdate);

void BM_PlayerListReply(benchmark::State& state) {
    BenchServer bench;
    const auto players = FillPlayerList(bench);
    CVarList request;
    request.PushInt(140911);
    Measure(state, bench.Kernel(), [&] {
        bench.Kernel().DeliverCustomMessage(players[10], request);
        bench.Kernel().ClearInbox(players[10]);
    });
}
BENCHMARK(BM_PlayerListReply);

// The same find-remove-insert on a plain vector of rows, for comparison.
struct PlainRow {
    std::u16string name;
    int level;
    int nation, prof;
    std::u16string guild;
    int guildPoint;
    std::u16string castle;
    int castlePoint, camp, peerageRank, peerageExp;
};

void BM_PlainVectorEnterTopList_Moving(benchmark::State& state) {
    std::vector<PlainRow> rows;
    for (int i = 0; i < 150; ++i) {
        rows.push_back({Numbered(u"Adventurer_", i), 189 - i, 1, 2, u"Order of the Lion", 3, u"Northwatch", 5, 6, 7, 8});
    }
    const std::u16string mover = Numbered(u"Adventurer_", 75);
    int step = 0;
    const std::uint64_t allocations = AllocationControl::Count();
    for (auto _ : state) {
        const int level = (++step & 1) != 0 ? 500 + step % 2 : 114;
        PlainRow row{mover, level, 1, 2, u"Order of the Lion", 3, u"Northwatch", 5, 6, 7, 8};
        const auto found = std::find_if(rows.begin(), rows.end(), [&](const PlainRow& r) { return r.name == mover; });
        if (found != rows.end()) rows.erase(found);
        std::size_t position = 0;
        for (std::size_t i = rows.size(); i-- > 0;) {
            if (rows[i].level >= level) {
                position = i + 1;
                break;
            }
        }
        rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(position), std::move(row));
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["allocs"] =
        static_cast<double>(AllocationControl::Count() - allocations) / static_cast<double>(state.iterations());
    // scripts/bench-all.sh pairs it with these figures.
    state.SetLabel("baseline:BM_PlayerEnterTopList_MovingDirect,BM_PlayerEnterTopList_Moving");
}
BENCHMARK(BM_PlainVectorEnterTopList_Moving);

// --- charm leaderboard ---------------------------------------------------------------------

std::vector<std::pair<std::string, HostValue>> CharmProperties(int charmValue) {
    return {{"Level", 60},   {"ProfType", 2}, {"Camp", 1},
            {"CastleNameID", std::string("castle_0012")}, {"Nation", 3},
            {"GuildName", std::u16string(u"Order of the Lion")}, {"Charm", charmValue},
            {"GiftNum", 4},  {"GutOver", 1}};
}

// 150 listed players, charms 1149 down to 1000.
std::vector<ObjectId> FillCharmList(BenchServer& bench) { return FillList(bench, u"Charmer_", 1149, CharmProperties); }

// UpdatePlayer on a full list: a listed player moves between the middle and the top.
void BM_CharmUpdatePlayer_Moving(benchmark::State& state) {
    BenchServer bench;
    const auto players = FillCharmList(bench);
    const ObjectId mover = players[75];
    int step = 0;
    Measure(state, bench.Kernel(), [&] {
        bench.server->SetProperty(mover, "Charm", (++step & 1) != 0 ? 5000 + step % 2 : 1074);
    });
}
BENCHMARK(BM_CharmUpdatePlayer_Moving);

// UpdatePlayer when the charm is set to the value it has: the row is left alone.
void BM_CharmUpdatePlayer_Unchanged(benchmark::State& state) {
    BenchServer bench;
    const auto players = FillCharmList(bench);
    Measure(state, bench.Kernel(), [&] { bench.server->SetProperty(players[75], "Charm", 1074); });
}
BENCHMARK(BM_CharmUpdatePlayer_Unchanged);

// ResortTopList of 150 rows.
void BM_CharmResortTopList(benchmark::State& state) {
    BenchServer bench;
    FillCharmList(bench);
    const ObjectId home = bench.Kernel().SceneObject(1);
    Measure(state, bench.Kernel(), [&] { bench.Kernel().RunHeartBeat(home, "NewCharmTopSystem::H_TopListUpdate"); });
}
BENCHMARK(BM_CharmResortTopList);

}  // namespace

BENCHMARK_MAIN();
