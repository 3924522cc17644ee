// The leaderboards over a Redis store: what each operation costs when every
// kernel call on the public data is a round trip to a shared server. The
// program starts its own redis-server (a free 127.0.0.1 port, nothing
// persisted) and stops it by its process id when it ends.
//
// Baseline: a bare ZADD + ZREVRANK from one client, two round trips, the least
// a ranked list kept in Redis can cost per move. Figures on a full 150-row
// player list: a move (a listed player's level changes: the player list's
// handler alone, and through the host's watches, where the charm list writes
// his level too), the hourly re-sort and a list reply, each with its round
// trips and kernel calls; and the moves per second of the whole world on the
// player list with 1, 2 and 4 server processes moving their own players at
// once, with the lock waits (failed compare-and-set tries) per move. The
// targets are bounds in the labels: a move at most 3 round trips, a reply 2, a
// re-sort 3, four processes at least 10,000 moves a second.
#include <benchmark/benchmark.h>
#include <hiredis.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchPlayers.h"
#include "DirectCallbacks.h"
#include "host/PlatformChildProcess.h"
#include "host/RedisPubDataStore.h"
#include "host/World.h"

namespace {

constexpr int kRows = 150;
constexpr int kWorldMoves = 2000;  // moves per world-wide run, shared among the processes
constexpr const char* kMoverRole = "--mover";

// --- the private server ---------------------------------------------------------------

class BenchRedis {
public:
    bool Start(std::string& error) {
        port_ = Platform::FreeLoopbackPort();
        if (port_ == 0) {
            error = "no free loopback port";
            return false;
        }
        if (!Platform::StartProcess({"redis-server", "--port", std::to_string(port_), "--bind", "127.0.0.1", "--save",
                                     "", "--appendonly", "no", "--logfile", "/dev/null", "--protected-mode", "no"},
                                    false, child_, error))
            return false;
        for (int i = 0; i < 500; ++i) {
            const timeval timeout{0, 200'000};
            redisContext* c = redisConnectWithTimeout("127.0.0.1", port_, timeout);
            const bool up = c != nullptr && c->err == 0;
            if (c != nullptr) redisFree(c);
            if (up) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        error = "redis-server did not answer";
        return false;
    }
    void Stop() {
        if (child_.id == Platform::kNoProcess) return;
        Platform::KillProcess(child_.id);
        int status = 0;
        Platform::WaitProcess(child_.id, 5000, status);
        child_ = {};
    }
    ~BenchRedis() { Stop(); }
    std::string Url(const std::string& prefix) const {
        return "redis://127.0.0.1:" + std::to_string(port_) + "/" + prefix;
    }
    int Port() const noexcept { return port_; }

private:
    int port_ = 0;
    Platform::ChildProcess child_;
};

BenchRedis* g_redis = nullptr;
std::string g_startError;

std::unique_ptr<RedisPubDataStore> OpenStore(const std::string& url, bool fresh) {
    RedisAddress address;
    std::string error;
    if (!RedisAddress::Parse(url, address, error)) return nullptr;
    std::unique_ptr<RedisPubDataStore> store = RedisPubDataStore::Open(address, error);
    if (store != nullptr && fresh && !store->RemoveWorld(error)) return nullptr;
    return store;
}

std::uint64_t TripsOf(const RedisPubDataStore& store) {
    std::uint64_t trips = 0;
    for (const auto& [op, t] : store.TripsByOperation()) trips += t.trips;
    return trips;
}

std::u16string Numbered(const std::string& prefix, int i) {
    const std::string text = prefix + std::to_string(i);
    return std::u16string(text.begin(), text.end());
}

// One server over the Redis world, started; scenes 1 "HomeScene" and 2 "BaseScene".
struct RedisServer {
    std::unique_ptr<World> world;
    RedisPubDataStore* store = nullptr;
    Server* server = nullptr;

    // With direct callbacks, property changes reach no handler: the caller calls one.
    RedisServer(const std::string& url, bool fresh, DirectCallbacks* direct = nullptr) {
        std::unique_ptr<RedisPubDataStore> opened = OpenStore(url, fresh);
        if (opened == nullptr) std::abort();
        store = opened.get();
        world = std::make_unique<World>(0, ServerOptions{}, std::move(opened));
        ServerOptions options;
        options.withCriticalManager = direct == nullptr;
        server = &world->AddServer(options);
        if (direct != nullptr) server->Kernel().RegisterSibling("CriticalManagerSystem", direct);
        if (!server->Start()) std::abort();
        server->CreateScene(1, "HomeScene");
        server->CreateScene(2);
        server->SendStartEvents();
    }
    HostKernel& Kernel() { return server->Kernel(); }

    // count players logged in with levels top, top - 1, ...; in that order.
    std::vector<ObjectId> Players(const std::string& prefix, int count, int top) {
        std::vector<ObjectId> players;
        for (int i = 0; i < count; ++i) {
            const ObjectId p = server->CreatePlayer(Numbered(prefix, i), 2, PlayerProperties(top - i));
            server->LoginPlayer(p);
            players.push_back(p);
        }
        return players;
    }
};

// Runs the body once per iteration and reports round trips, kernel calls and
// lock waits per iteration.
template <class Body>
void Measure(benchmark::State& state, RedisServer& bench, Body body) {
    const std::uint64_t trips = TripsOf(*bench.store), calls = bench.Kernel().KernelCalls();
    for (auto _ : state) body();
    const double n = static_cast<double>(state.iterations());
    state.counters["round_trips"] = static_cast<double>(TripsOf(*bench.store) - trips) / n;
    state.counters["kernel_calls"] = static_cast<double>(bench.Kernel().KernelCalls() - calls) / n;
}

bool Skipped(benchmark::State& state) {
    if (g_redis != nullptr) return false;
    state.SkipWithError(("no private redis-server: " + g_startError).c_str());
    return true;
}

// --- baseline -------------------------------------------------------------------------

void BM_Redis_ZaddZrevrank(benchmark::State& state) {
    if (Skipped(state)) return;
    redisContext* c = redisConnect("127.0.0.1", g_redis->Port());
    if (c == nullptr || c->err != 0) {
        state.SkipWithError("cannot connect");
        if (c != nullptr) redisFree(c);
        return;
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<int> level(1, 300), member(0, kRows - 1);
    for (auto _ : state) {
        const std::string name = "Adventurer_" + std::to_string(member(random));
        auto* added = static_cast<redisReply*>(redisCommand(c, "ZADD bench:zlist %d %s", level(random), name.c_str()));
        auto* rank = static_cast<redisReply*>(redisCommand(c, "ZREVRANK bench:zlist %s", name.c_str()));
        benchmark::DoNotOptimize(rank);
        freeReplyObject(added);
        freeReplyObject(rank);
    }
    redisFree(c);
    state.counters["round_trips"] = 2;
    state.SetLabel(
        "baseline:BM_Redis_PlayerMove,BM_Redis_PlayerMoveDirect,BM_Redis_PlayerResort,BM_Redis_PlayerReply,"
        "BM_Redis_WorldMoves/processes:1,BM_Redis_WorldMoves/processes:2,BM_Redis_WorldMoves/processes:4");
}
BENCHMARK(BM_Redis_ZaddZrevrank);

// --- one server -----------------------------------------------------------------------

// A listed player who moves between the middle and the top on every change,
// through the host's watches: the player list places him, the charm list
// writes his level.
void BM_Redis_PlayerMove(benchmark::State& state) {
    if (Skipped(state)) return;
    RedisServer bench(g_redis->Url("move"), true);
    const auto players = bench.Players("Adventurer_", kRows, 189);
    const ObjectId mover = players[75];
    int step = 0;
    Measure(state, bench, [&] { bench.server->SetProperty(mover, "Level", (++step & 1) != 0 ? 500 + step % 2 : 114); });
}
BENCHMARK(BM_Redis_PlayerMove)->Unit(benchmark::kMicrosecond);

// The same move, calling only "PlayerTopSystem::OnLevelChanged": the move's own round trips.
void BM_Redis_PlayerMoveDirect(benchmark::State& state) {
    if (Skipped(state)) return;
    DirectCallbacks direct;
    RedisServer bench(g_redis->Url("direct"), true, &direct);
    const auto players = bench.Players("Adventurer_", kRows, 189);
    const ObjectId mover = players[75];
    const PropertyCallback handler = direct.Find("PlayerTopSystem::OnLevelChanged");
    CVarList previous;
    previous.PushInt(0);
    int step = 0;
    Measure(state, bench, [&] {
        bench.Kernel().SetProperty(mover, "Level", (++step & 1) != 0 ? 500 + step % 2 : 114);
        handler(&bench.Kernel(), mover, "Level", previous);
    });
    state.SetLabel("max:round_trips=3");
}
BENCHMARK(BM_Redis_PlayerMoveDirect)->Unit(benchmark::kMicrosecond);

void BM_Redis_PlayerResort(benchmark::State& state) {
    if (Skipped(state)) return;
    RedisServer bench(g_redis->Url("resort"), true);
    bench.Players("Adventurer_", kRows, 189);
    const ObjectId home = bench.Kernel().SceneObject(1);
    Measure(state, bench, [&] { bench.Kernel().RunHeartBeat(home, "PlayerTopSystem::H_TopListUpdate"); });
    state.SetLabel("max:round_trips=3");
}
BENCHMARK(BM_Redis_PlayerResort)->Unit(benchmark::kMillisecond);

void BM_Redis_PlayerReply(benchmark::State& state) {
    if (Skipped(state)) return;
    RedisServer bench(g_redis->Url("reply"), true);
    const auto players = bench.Players("Adventurer_", kRows, 189);
    CVarList request;
    request.PushInt(140911);
    Measure(state, bench, [&] {
        bench.Kernel().DeliverCustomMessage(players[10], request);
        bench.Kernel().ClearInbox(players[10]);
    });
    state.SetLabel("max:round_trips=2");
}
BENCHMARK(BM_Redis_PlayerReply)->Unit(benchmark::kMillisecond);

// --- the world: several server processes on one list ----------------------------------

// A mover process: one server over the world, its own players on the shared
// player list, moved by calling the list's handler (nothing else writes); "ready",
// then on "go" its moves, then "done <trips> <kernel calls> <lock waits>".
int RunMover(const std::string& url, int process, int players, int moves) {
    DirectCallbacks direct;
    RedisServer bench(url, false, &direct);
    const auto mine = bench.Players("P" + std::to_string(process) + "_", players, 100 + process);
    const PropertyCallback handler = direct.Find("PlayerTopSystem::OnLevelChanged");
    for (const ObjectId& p : mine) handler(&bench.Kernel(), p, "Level", CVarList());
    std::printf("ready\n");
    std::fflush(stdout);
    std::string line;
    if (!std::getline(std::cin, line) || line != "go") return 1;
    const std::uint64_t trips = TripsOf(*bench.store), calls = bench.Kernel().KernelCalls(),
                        waits = bench.store->CompareSetFailuresTotal();
    std::mt19937 random(static_cast<unsigned>(process));
    std::uniform_int_distribution<int> level(1, 300);
    std::uniform_int_distribution<std::size_t> who(0, mine.size() - 1);
    CVarList previous;
    previous.PushInt(0);
    for (int i = 0; i < moves; ++i) {
        const ObjectId& p = mine[who(random)];
        bench.Kernel().SetProperty(p, "Level", level(random));
        handler(&bench.Kernel(), p, "Level", previous);
    }
    std::printf("done %llu %llu %llu\n", static_cast<unsigned long long>(TripsOf(*bench.store) - trips),
                static_cast<unsigned long long>(bench.Kernel().KernelCalls() - calls),
                static_cast<unsigned long long>(bench.store->CompareSetFailuresTotal() - waits));
    std::fflush(stdout);
    return bench.world->DiagnosticsText().empty() ? 0 : 1;
}

bool ReadLine(Platform::ChildProcess& child, std::string& line) {
    line.clear();
    char c = 0;
    while (Platform::ReadSomeFrom(child.fromChild, &c, 1) == 1) {
        if (c == '\n') return true;
        line += c;
    }
    return false;
}

void BM_Redis_WorldMoves(benchmark::State& state) {
    if (Skipped(state)) return;
    const int processes = static_cast<int>(state.range(0));
    const int moves = kWorldMoves / processes;
    std::uint64_t trips = 0, calls = 0, waits = 0;
    double seconds = 0;
    for (auto _ : state) {
        const std::string url = g_redis->Url("world" + std::to_string(processes));
        std::unique_ptr<RedisPubDataStore> store = OpenStore(url, true);
        if (store == nullptr) {
            state.SkipWithError("cannot open the world");
            return;
        }
        std::vector<Platform::ChildProcess> children(static_cast<std::size_t>(processes));
        std::string error, line;
        bool ok = true;
        for (int p = 0; p < processes && ok; ++p) {
            // Enough players of each process to fill the list together.
            ok = Platform::StartProcess({Platform::OwnProgramPath(), kMoverRole, url, std::to_string(p),
                                         std::to_string(kRows / processes + 10), std::to_string(moves)},
                                        true, children[static_cast<std::size_t>(p)], error);
        }
        for (auto& child : children) ok = ok && ReadLine(child, line) && line == "ready";
        const auto started = std::chrono::steady_clock::now();
        for (auto& child : children) ok = ok && Platform::WriteAllTo(child.toChild, "go\n");
        for (auto& child : children) {
            unsigned long long t = 0, c = 0, w = 0;
            ok = ok && ReadLine(child, line) && std::sscanf(line.c_str(), "done %llu %llu %llu", &t, &c, &w) == 3;
            trips += t;
            calls += c;
            waits += w;
        }
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        for (auto& child : children) {
            Platform::ClosePipe(child.toChild);
            Platform::ClosePipe(child.fromChild);
            int status = 0;
            if (!Platform::WaitProcess(child.id, 30'000, status)) {
                Platform::KillProcess(child.id);
                Platform::WaitProcess(child.id, 5'000, status);
            }
            ok = ok && status == 0;
        }
        if (!ok) {
            state.SkipWithError(("a mover process failed " + error).c_str());
            return;
        }
        seconds += elapsed;
        state.SetIterationTime(elapsed / static_cast<double>(moves * processes));
    }
    const double allMoves = static_cast<double>(state.iterations()) * moves * processes;
    state.counters["moves_per_s"] = allMoves / seconds;
    state.counters["round_trips"] = static_cast<double>(trips) / allMoves;
    state.counters["kernel_calls"] = static_cast<double>(calls) / allMoves;
    state.counters["lock_waits"] = static_cast<double>(waits) / allMoves;
    if (processes == 4) state.SetLabel("min:moves_per_s=10000");
}
// One run each: every iteration is a whole world's worth of moves; the time per
// iteration is the wall time per move.
BENCHMARK(BM_Redis_WorldMoves)
    ->ArgName("processes")
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], kMoverRole) == 0) {
        Platform::EndWithParent();
        return RunMover(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    }
    BenchRedis redis;
    if (redis.Start(g_startError)) g_redis = &redis;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    redis.Stop();
    return 0;
}
