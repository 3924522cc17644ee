// The longest legitimate holds of each list's lock, with the real library in
// the reference host: the whole-list rewrites (each list's 150-row re-sort, the
// player list's migration and resize, the charm list's rebuild, the daily prize
// on a full win-streak list) and the replies, which read a whole list under its
// lock. Each operation is timed as a whole, so its figures are upper bounds of
// the hold inside it (the win-streak request holds the lock twice: its re-sort,
// then its reply). On a shared remote store every kernel call is a
// round trip; remote_hold_ms is the hold there at 100 us per call. The stale-
// lock bound (record/StaleLockBound.h) must stay at least 20 times the longest
// hold: each figure carries that limit (max:remote_hold_ms=<bound / 20>).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host/World.h"
#include "record/StaleLockBound.h"
#include "top/RankedLists.h"

namespace {

// The lists as the leaderboards describe them.
constexpr const TopList::RankedList& kPlayerTop = TopList::PlayerTop::kList;
constexpr const TopList::RankedList& kCharmTop = TopList::CharmTop::kList;
constexpr const TopList::RankedList& kWinStreakTop = TopList::WinStreakTop::kList;

constexpr double kRoundTripMs = 0.1;
constexpr int kRows = 150;

std::u16string Numbered(const char16_t* prefix, int i) {
    std::u16string name = prefix;
    for (char c : std::to_string(i)) name += static_cast<char16_t>(c);
    return name;
}

// One server with the library started; scenes 1 "HomeScene" and 2 "BaseScene".
struct HoldServer {
    World world;
    Server* server = nullptr;

    HoldServer() {
        ServerOptions options;
        options.strictKernelText = false;  // no copy of every text handed out
        server = &world.AddServer(options);
        if (!server->Start()) std::abort();
        server->CreateScene(1, "HomeScene");
        server->CreateScene(2);
        server->SendStartEvents();
    }
    HostKernel& Kernel() { return server->Kernel(); }
    PubDataStore& Store() { return world.Store(); }
};

// Runs the hold once per iteration, with set-up paused, and reports its kernel
// calls and the hold they would make on a remote store.
template <class SetUp, class Hold>
void MeasureHold(benchmark::State& state, HoldServer& bench, SetUp setUp, Hold hold) {
    std::uint64_t calls = 0;
    for (auto _ : state) {
        state.PauseTiming();
        setUp();
        const std::uint64_t before = bench.Kernel().KernelCalls();
        state.ResumeTiming();
        hold();
        state.PauseTiming();
        calls += bench.Kernel().KernelCalls() - before;
        state.ResumeTiming();
    }
    const double perHold = static_cast<double>(calls) / static_cast<double>(state.iterations());
    state.counters["kernel_calls"] = perHold;
    state.counters["remote_hold_ms"] = perHold * kRoundTripMs;
    state.counters["stale_bound_ms"] = static_cast<double>(StaleLock::kDefaultMs);
    state.SetLabel("max:remote_hold_ms=" + std::to_string(StaleLock::kDefaultMs / 20));
}

using Row = std::vector<HostValue>;

std::vector<Row> PlayerRows(int count, bool olderLayout) {
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i) {
        Row row{Numbered(u"Adventurer_", i),
                40 + (i * 7) % 150,
                1,
                2,
                std::u16string(u"Order of the Lion"),
                3,
                std::u16string(u"Northwatch"),
                5};
        if (!olderLayout) row.insert(row.end(), {HostValue(6), HostValue(7), HostValue(8)});
        rows.push_back(std::move(row));
    }
    return rows;
}
const std::vector<int> kPlayerTypes = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_WIDESTR, VT_INT,
                                       VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT};
const std::vector<int> kOlderPlayerTypes = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_WIDESTR, VT_INT, VT_WIDESTR, VT_INT};

std::vector<Row> CharmRows() {
    std::vector<Row> rows;
    for (int i = 0; i < kRows; ++i) {
        rows.push_back({Numbered(u"Charmer_", i), 60, 2, 1, std::string("castle_0012"), 3,
                        std::u16string(u"Order of the Lion"), 1000 + (i * 7) % 150, 4});
    }
    return rows;
}
const std::vector<int> kCharmTypes = {VT_WIDESTR, VT_INT,     VT_INT, VT_INT, VT_STRING,
                                      VT_INT,     VT_WIDESTR, VT_INT, VT_INT};

std::vector<Row> StreakRows() {
    std::vector<Row> rows;
    for (int i = 0; i < kRows; ++i) rows.push_back({Numbered(u"Fighter_", i), 30 + i % 20, 2, 3, 30 + (i * 7) % 150});
    return rows;
}
const std::vector<int> kStreakTypes = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT};

void BM_LockHold_PlayerResort(benchmark::State& state) {
    HoldServer bench;
    const ObjectId home = bench.Kernel().SceneObject(1);
    MeasureHold(
        state, bench,
        [&] {
            bench.Store().Seed(kPlayerTop.pubSpace, kPlayerTop.record, kRows, kPlayerTypes, PlayerRows(kRows, false));
        },
        [&] { bench.Kernel().RunHeartBeat(home, "PlayerTopSystem::H_TopListUpdate"); });
}
BENCHMARK(BM_LockHold_PlayerResort);

void BM_LockHold_PlayerMigration(benchmark::State& state) {
    HoldServer bench;
    const ObjectId scene = bench.Kernel().SceneObject(2);
    MeasureHold(
        state, bench,
        [&] {
            bench.Store().Seed(kPlayerTop.pubSpace, kPlayerTop.record, kRows, kOlderPlayerTypes,
                               PlayerRows(kRows, true));
        },
        [&] { bench.Kernel().RaiseEvent(scene, "OnSystemInit"); });
}
BENCHMARK(BM_LockHold_PlayerMigration);

// A list of 149 rows whose maximum was 149: every row saved, the record made
// again and 150 rows written back (the resize that writes the most).
void BM_LockHold_PlayerResize(benchmark::State& state) {
    HoldServer bench;
    const ObjectId scene = bench.Kernel().SceneObject(2);
    MeasureHold(
        state, bench,
        [&] {
            bench.Store().Seed(kPlayerTop.pubSpace, kPlayerTop.record, kRows - 1, kPlayerTypes,
                               PlayerRows(kRows - 1, false));
        },
        [&] { bench.Kernel().RaiseEvent(scene, "OnSystemInit"); });
}
BENCHMARK(BM_LockHold_PlayerResize);

void BM_LockHold_CharmResort(benchmark::State& state) {
    HoldServer bench;
    const ObjectId home = bench.Kernel().SceneObject(1);
    MeasureHold(
        state, bench,
        [&] { bench.Store().Seed(kCharmTop.pubSpace, kCharmTop.record, kRows, kCharmTypes, CharmRows()); },
        [&] { bench.Kernel().RunHeartBeat(home, "NewCharmTopSystem::H_TopListUpdate"); });
}
BENCHMARK(BM_LockHold_CharmResort);

// The scene initialisation rebuilds the charm list; the other lists' set-ups
// in the same event find nothing to do.
void BM_LockHold_CharmRebuild(benchmark::State& state) {
    HoldServer bench;
    const ObjectId scene = bench.Kernel().SceneObject(2);
    MeasureHold(
        state, bench,
        [&] { bench.Store().Seed(kCharmTop.pubSpace, kCharmTop.record, kRows, kCharmTypes, CharmRows()); },
        [&] { bench.Kernel().RaiseEvent(scene, "OnSystemInit"); });
}
BENCHMARK(BM_LockHold_CharmRebuild);

// A list request from a player who is not listed (his own values are read too).
template <class SetUp>
void MeasureReply(benchmark::State& state, int message, SetUp seed) {
    HoldServer bench;
    const ObjectId player = bench.server->CreatePlayer(u"Asker", 2,
                                                       {{"Level", 1},
                                                        {"Nation", 1},
                                                        {"ProfType", 2},
                                                        {"GuildName", std::u16string(u"Lions")},
                                                        {"GuildPoint", 3},
                                                        {"GuildContribut", 4},
                                                        {"CastleName", std::u16string(u"Keep")},
                                                        {"CastleNameID", std::string("keep")},
                                                        {"CastlePoint", 5},
                                                        {"Camp", 6},
                                                        {"PeerageRank", 7},
                                                        {"PeerageExp", 8},
                                                        {"Charm", 0},
                                                        {"GiftNum", 0},
                                                        {"CompeteAlwaysWin", 0}});
    CVarList request;
    request << message;
    MeasureHold(
        state, bench,
        [&] {
            seed(bench.Store());
            bench.Kernel().ClearInbox(player);
        },
        [&] { bench.Kernel().DeliverCustomMessage(player, request); });
}

void BM_LockHold_PlayerReply(benchmark::State& state) {
    MeasureReply(state, kPlayerTop.queryMessage, [](PubDataStore& store) {
        store.Seed(kPlayerTop.pubSpace, kPlayerTop.record, kRows, kPlayerTypes, PlayerRows(kRows, false));
    });
}
BENCHMARK(BM_LockHold_PlayerReply);

void BM_LockHold_CharmReply(benchmark::State& state) {
    MeasureReply(state, kCharmTop.queryMessage, [](PubDataStore& store) {
        store.Seed(kCharmTop.pubSpace, kCharmTop.record, kRows, kCharmTypes, CharmRows());
    });
}
BENCHMARK(BM_LockHold_CharmReply);

void BM_LockHold_StreakRequest(benchmark::State& state) {
    MeasureReply(state, kWinStreakTop.queryMessage, [](PubDataStore& store) {
        store.Seed(kWinStreakTop.pubSpace, kWinStreakTop.record, kRows, kStreakTypes, StreakRows());
    });
}
BENCHMARK(BM_LockHold_StreakRequest);

// The daily steps on a full list: the re-sort, the prize date, the letter, the clear.
void BM_LockHold_DailyPrize(benchmark::State& state) {
    HoldServer bench;
    const ObjectId scene = bench.Kernel().SceneObject(2);
    CVarList daily;
    daily << 326 << 13;
    MeasureHold(
        state, bench,
        [&] {
            bench.Store().Seed(kWinStreakTop.pubSpace, kWinStreakTop.record, kRows, kStreakTypes, StreakRows());
            bench.Store().Seed(kWinStreakTop.pubSpace, "PlayerPrizeTimeRec", 1, {VT_INT}, {});
            bench.server->Letters()->Clear();
        },
        [&] { bench.Kernel().RunCommand(scene, daily); });
}
BENCHMARK(BM_LockHold_DailyPrize);

}  // namespace

BENCHMARK_MAIN();
