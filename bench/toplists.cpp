// Leaderboard operations on full 150-row lists in the reference host, with the
// real library loaded: time, kernel calls, public-data calls and heap
// allocations per operation. Allocations are counted by the tests' replacement
// of the global operator new (tests/support/AllocationControl.h), which the
// plug-in binds to as well: "allocs" counts every one, "lib_allocs" only those
// made outside kernel calls, that is the library's own (and the host's dispatch
// of the operation: see BM_HostSetUnwatchedProperty). The host runs without its
// strict text mode, which copies every text it hands out. Each leaderboard has
// its own section below.
//
// Figures with a target carry it as a bound (label "max:<counter>=<value>",
// shown and checked by scripts/bench-all.sh). Run with VOGAME_BENCH_CALLS=1 to
// print each figure's public-data calls by operation on standard error.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchPlayers.h"
#include "DirectCallbacks.h"
#include "host/World.h"
#include "tests/support/AllocationControl.h"
#include "top/RankedLists.h"

namespace {

// The lists as the leaderboards describe them.
constexpr const TopList::RankedList& kPlayerTop = TopList::PlayerTop::kList;
constexpr const TopList::RankedList& kCharmTop = TopList::CharmTop::kList;
constexpr const TopList::RankedList& kWinStreakTop = TopList::WinStreakTop::kList;

// --- shared set-up -------------------------------------------------------------------

ServerOptions BenchOptions() {
    ServerOptions options;
    options.strictKernelText = false;
    return options;
}

// One server with the library started, a home scene (1) and a base scene (2).
// With a critical manager given, it stands in for the host's own.
struct BenchServer {
    World world;
    Server* server = nullptr;

    explicit BenchServer(ServerOptions options = BenchOptions(), ICriticalManagerSystem* critical = nullptr) {
        if (critical != nullptr) options.withCriticalManager = false;  // no observer: property sets fire nothing
        server = &world.AddServer(options);
        if (critical != nullptr) server->Kernel().RegisterSibling("CriticalManagerSystem", critical);
        if (!server->Start()) std::abort();
        server->CreateScene(1, "HomeScene");
        server->CreateScene(2);
        server->SendStartEvents();
    }
    ~BenchServer() { server->Stop(); }
    HostKernel& Kernel() { return server->Kernel(); }
    PubDataStore& Store() { return world.Store(); }
};

std::u16string Numbered(const char16_t* prefix, int i) {
    std::u16string name = prefix;
    for (char c : std::to_string(i)) name += static_cast<char16_t>(c);
    return name;
}

// The counts of one kernel at a moment (nothing allocated while they are taken).
struct Counts {
    explicit Counts(HostKernel& kernel) noexcept
        : calls(kernel.KernelCalls()),
          pubCalls(kernel.PubDataCalls()),
          allocations(AllocationControl::Count()),
          hostAllocations(kernel.AllocationsInCalls()) {}
    std::uint64_t calls, pubCalls, allocations, hostAllocations;
};
using CallsByOperation = std::vector<std::pair<std::string_view, std::uint64_t>>;

// Sums the counts of the measured parts of a benchmark and reports them per iteration.
class Tally {
public:
    explicit Tally(HostKernel& kernel) : kernel_(kernel) { kernel_.CountAllocationsWith(&AllocationControl::Count); }
    ~Tally() { kernel_.CountAllocationsWith(nullptr); }
    Tally(const Tally&) = delete;
    Tally& operator=(const Tally&) = delete;

    // The operations' counts are taken outside the measured part: listing them allocates.
    void Add(const Counts& before, const Counts& after, const CallsByOperation& opsBefore,
             const CallsByOperation& opsAfter) {
        calls_ += after.calls - before.calls;
        pubCalls_ += after.pubCalls - before.pubCalls;
        allocations_ += after.allocations - before.allocations;
        libraryAllocations_ +=
            (after.allocations - before.allocations) - (after.hostAllocations - before.hostAllocations);
        for (const auto& [name, count] : opsAfter) byOperation_[std::string(name)] += static_cast<std::int64_t>(count);
        for (const auto& [name, count] : opsBefore) byOperation_[std::string(name)] -= static_cast<std::int64_t>(count);
    }

    void Report(benchmark::State& state, const char* figure) const {
        const double n = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
        state.counters["kernel_calls"] = static_cast<double>(calls_) / n;
        state.counters["pub_calls"] = static_cast<double>(pubCalls_) / n;
        state.counters["allocs"] = static_cast<double>(allocations_) / n;
        state.counters["lib_allocs"] = static_cast<double>(libraryAllocations_) / n;
        // The last run of a figure is the one reported: it replaces the earlier ones.
        std::string line;
        for (const auto& [name, count] : byOperation_) {
            if (count == 0) continue;
            char text[96];
            std::snprintf(text, sizeof text, " %s %.3g", name.c_str(), static_cast<double>(count) / n);
            line += text;
        }
        CallLines()[figure] = line;
    }

    // Each figure's public-data calls per operation, by kernel operation.
    static std::map<std::string, std::string>& CallLines() {
        static std::map<std::string, std::string> lines;
        return lines;
    }

private:
    HostKernel& kernel_;
    std::uint64_t calls_ = 0, pubCalls_ = 0, allocations_ = 0, libraryAllocations_ = 0;
    std::map<std::string, std::int64_t> byOperation_;
};

// Runs the loop body and reports its counts per iteration.
template <class Body>
void Measure(benchmark::State& state, const char* figure, HostKernel& kernel, Body body) {
    Tally tally(kernel);
    const CallsByOperation opsBefore = kernel.PubDataCallsByOperation();
    const Counts before(kernel);
    for (auto _ : state) body();
    const Counts after(kernel);
    tally.Add(before, after, opsBefore, kernel.PubDataCallsByOperation());
    tally.Report(state, figure);
}

// The same with a set-up before each run, neither timed nor counted.
template <class SetUp, class Body>
void MeasureEach(benchmark::State& state, const char* figure, HostKernel& kernel, SetUp setUp, Body body) {
    Tally tally(kernel);
    for (auto _ : state) {
        state.PauseTiming();
        setUp();
        const CallsByOperation opsBefore = kernel.PubDataCallsByOperation();
        const Counts before(kernel);
        state.ResumeTiming();
        body();
        state.PauseTiming();
        const Counts after(kernel);
        tally.Add(before, after, opsBefore, kernel.PubDataCallsByOperation());
        state.ResumeTiming();
    }
    tally.Report(state, figure);
}

using Properties = std::vector<std::pair<std::string, HostValue>>;

// 150 players logged in with ranking values top, top - 1, ...; returns them in rank order.
template <class MakeProperties>
std::vector<ObjectId> FillList(Server& server, const char16_t* prefix, int top, MakeProperties properties) {
    std::vector<ObjectId> players;
    for (int i = 0; i < 150; ++i) {
        const ObjectId p = server.CreatePlayer(Numbered(prefix, i), 2, properties(top - i));
        server.LoginPlayer(p);
        players.push_back(p);
    }
    return players;
}

// A listed player whose ranking value changes silently (no watch fires), then
// the module's handler is called as the critical manager would call it: the
// handler's own figures. The silent change is host work, timed but not counted.
void MeasureHandler(benchmark::State& state, const char* figure, HostKernel& kernel, PropertyCallback handler,
                    const ObjectId& player, const char* property, int low, int high) {
    CVarList previous;
    previous.PushInt(0);  // a rise, as the win-streak handler requires
    int step = 0;
    Measure(state, figure, kernel, [&] {
        ++step;
        kernel.SetProperty(player, property, (step & 1) != 0 ? high + step % 2 : low);
        handler(&kernel, player, property, previous);
    });
}

// Rows for seeding a list straight into the store: each list's re-sort keys
// tie in runs of ten, so that every key column is read, and `misplaced` runs
// have their proper last row at their head. The rows stand ranked by the list's
// first key, as the lock always finds them; the re-sort moves `misplaced` rows.
using Row = std::vector<HostValue>;

template <class MakeRow>
std::vector<Row> TiedRows(int misplaced, MakeRow row) {
    std::vector<Row> rows;
    for (int run = 0; run < 15; ++run) {
        std::vector<Row> members;
        for (int i = 0; i < 10; ++i) members.push_back(row(run, i));
        if (run < misplaced) std::rotate(members.begin(), members.end() - 1, members.end());
        rows.insert(rows.end(), members.begin(), members.end());
    }
    return rows;
}

// --- player leaderboard ------------------------------------------------------------------

// 150 listed players, levels 189 down to 40.
std::vector<ObjectId> FillPlayerList(Server& server) { return FillList(server, u"Adventurer_", 189, PlayerProperties); }

// A listed player who moves between the middle and the top on every change,
// through the host's watches (the charm and win-streak modules react as well).
void BM_PlayerEnterTopList_Moving(benchmark::State& state) {
    BenchServer bench;
    const auto players = FillPlayerList(*bench.server);
    const ObjectId mover = players[75];
    int step = 0;
    Measure(state, __func__, bench.Kernel(),
            [&] { bench.server->SetProperty(mover, "Level", (++step & 1) != 0 ? 500 + step % 2 : 114); });
}
BENCHMARK(BM_PlayerEnterTopList_Moving);

// The same move, calling only "PlayerTopSystem::OnLevelChanged": EnterTopList's own figures.
void BM_PlayerEnterTopList_MovingDirect(benchmark::State& state) {
    DirectCallbacks callbacks;
    BenchServer bench(BenchOptions(), &callbacks);
    const auto players = FillPlayerList(*bench.server);
    MeasureHandler(state, __func__, bench.Kernel(), callbacks.Find("PlayerTopSystem::OnLevelChanged"), players[75],
                   "Level", 114, 500);
    // 30 before list locks were fenced: a move now checks its hold as it takes
    // the lock, before each of its two writes and before the release (four
    // calls; the record is looked for under the lock, one call fewer).
    state.SetLabel("max:kernel_calls=33;max:ratio=2");
}
BENCHMARK(BM_PlayerEnterTopList_MovingDirect);

// The host's own cost of a property change that no module watches.
void BM_HostSetUnwatchedProperty(benchmark::State& state) {
    BenchServer bench;
    const auto players = FillPlayerList(*bench.server);
    int step = 0;
    Measure(state, __func__, bench.Kernel(), [&] { bench.server->SetProperty(players[75], "Unwatched", ++step); });
}
BENCHMARK(BM_HostSetUnwatchedProperty);

// The hourly re-sort of a list already in order: nothing to rewrite.
void BM_PlayerTopListUpdate(benchmark::State& state) {
    BenchServer bench;
    FillPlayerList(*bench.server);
    const ObjectId home = bench.Kernel().SceneObject(1);
    Measure(state, __func__, bench.Kernel(),
            [&] { bench.Kernel().RunHeartBeat(home, "PlayerTopSystem::H_TopListUpdate"); });
}
BENCHMARK(BM_PlayerTopListUpdate);

const std::vector<int> kPlayerTypes = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_WIDESTR, VT_INT,
                                       VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT};

// The hourly re-sort of 150 rows in fifteen levels, ten of them out of place
// (a player entered below others of his level whose names sort before his).
void BM_PlayerTopListUpdate_TenOutOfPlace(benchmark::State& state) {
    BenchServer bench;
    // Names descend within a level, as the re-sort orders them.
    const std::vector<Row> rows = TiedRows(10, [](int run, int i) {
        return Row{Numbered(u"Adventurer_", 999 - 10 * run - i),
                   189 - run,
                   1,
                   2,
                   std::u16string(u"Order of the Lion"),
                   3,
                   std::u16string(u"Northwatch"),
                   5,
                   6,
                   7,
                   8};
    });
    const ObjectId home = bench.Kernel().SceneObject(1);
    MeasureEach(
        state, __func__, bench.Kernel(),
        [&] { bench.Store().Seed(kPlayerTop.pubSpace, kPlayerTop.record, 150, kPlayerTypes, rows); },
        [&] { bench.Kernel().RunHeartBeat(home, "PlayerTopSystem::H_TopListUpdate"); });
    state.SetLabel("max:kernel_calls=700;max:lib_allocs=5");
}
BENCHMARK(BM_PlayerTopListUpdate_TenOutOfPlace);

// A request from the player in row 10: 150 rows listed, 100 sent.
void BM_PlayerListReply(benchmark::State& state) {
    BenchServer bench;
    const auto players = FillPlayerList(*bench.server);
    CVarList request;
    request.PushInt(kPlayerTop.queryMessage);
    Measure(state, __func__, bench.Kernel(), [&] {
        bench.Kernel().DeliverCustomMessage(players[10], request);
        bench.Kernel().ClearInbox(players[10]);
    });
    state.SetLabel("max:kernel_calls=1400");
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
        rows.push_back(
            {Numbered(u"Adventurer_", i), 189 - i, 1, 2, u"Order of the Lion", 3, u"Northwatch", 5, 6, 7, 8});
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

Properties CharmProperties(int charmValue) {
    return {{"Level", 60},         {"ProfType", 2},
            {"Camp", 1},           {"CastleNameID", std::string("castle_0012")},
            {"Nation", 3},         {"GuildName", std::u16string(u"Order of the Lion")},
            {"Charm", charmValue}, {"GiftNum", 4},
            {"GutOver", 1}};
}

// 150 listed players, charms 1149 down to 1000.
std::vector<ObjectId> FillCharmList(Server& server) { return FillList(server, u"Charmer_", 1149, CharmProperties); }

// UpdatePlayer on a full list: a listed player moves between the middle and the top.
void BM_CharmUpdatePlayer_Moving(benchmark::State& state) {
    BenchServer bench;
    const auto players = FillCharmList(*bench.server);
    const ObjectId mover = players[75];
    int step = 0;
    Measure(state, __func__, bench.Kernel(),
            [&] { bench.server->SetProperty(mover, "Charm", (++step & 1) != 0 ? 5000 + step % 2 : 1074); });
    state.SetLabel("max:kernel_calls=33");  // as the player list's move: its hold checked four times
}
BENCHMARK(BM_CharmUpdatePlayer_Moving);

// UpdatePlayer when the charm is set to the value it has: the row is left alone.
void BM_CharmUpdatePlayer_Unchanged(benchmark::State& state) {
    BenchServer bench;
    const auto players = FillCharmList(*bench.server);
    Measure(state, __func__, bench.Kernel(), [&] { bench.server->SetProperty(players[75], "Charm", 1074); });
    state.SetLabel("max:kernel_calls=15");
}
BENCHMARK(BM_CharmUpdatePlayer_Unchanged);

// The hourly re-sort of a list already in order: nothing to rewrite.
void BM_CharmResortTopList(benchmark::State& state) {
    BenchServer bench;
    FillCharmList(*bench.server);
    const ObjectId home = bench.Kernel().SceneObject(1);
    Measure(state, __func__, bench.Kernel(),
            [&] { bench.Kernel().RunHeartBeat(home, "NewCharmTopSystem::H_TopListUpdate"); });
}
BENCHMARK(BM_CharmResortTopList);

const std::vector<int> kCharmTypes = {VT_WIDESTR, VT_INT,     VT_INT, VT_INT, VT_STRING,
                                      VT_INT,     VT_WIDESTR, VT_INT, VT_INT};

// The hourly re-sort of 150 rows in fifteen charms, gifts tied in pairs, levels
// alike, ten rows out of place: every key column is read.
void BM_CharmResortTopList_TenOutOfPlace(benchmark::State& state) {
    BenchServer bench;
    // Within a charm: gifts descending, then names ascending, as the re-sort orders them.
    const std::vector<Row> rows = TiedRows(10, [](int run, int i) {
        return Row{Numbered(u"Charmer_", 100 + 10 * run + i), 60,         2,        1, std::string("castle_0012"), 3,
                   std::u16string(u"Order of the Lion"),      1149 - run, 9 - i / 2};
    });
    const ObjectId home = bench.Kernel().SceneObject(1);
    MeasureEach(
        state, __func__, bench.Kernel(),
        [&] { bench.Store().Seed(kCharmTop.pubSpace, kCharmTop.record, 150, kCharmTypes, rows); },
        [&] { bench.Kernel().RunHeartBeat(home, "NewCharmTopSystem::H_TopListUpdate"); });
    state.SetLabel("max:kernel_calls=800");
}
BENCHMARK(BM_CharmResortTopList_TenOutOfPlace);

// --- win-streak leaderboard ------------------------------------------------------------------

Properties StreakProperties(int streak) {
    return {{"Level", 60}, {"ProfType", 2}, {"Camp", 1}, {"CompeteAlwaysWin", streak}};
}

// A listed player's streak, set silently, moves him between the middle and the
// top of a full list; the handler is told it rose. (Without a rule file the
// least streak listed is 0.)
void BM_WinStreakUpdate_MovingDirect(benchmark::State& state) {
    DirectCallbacks callbacks;
    BenchServer bench(BenchOptions(), &callbacks);
    const PropertyCallback handler = callbacks.Find("PlayerTopAlwaysWinSystem::OnCompeteAlwaysWinChanged");
    CVarList previous;
    previous.PushInt(0);
    std::vector<ObjectId> players;
    for (int i = 0; i < 150; ++i) {
        players.push_back(bench.server->CreatePlayer(Numbered(u"Fighter_", i), 2, StreakProperties(1149 - i)));
        handler(&bench.Kernel(), players.back(), "CompeteAlwaysWin", previous);
    }
    MeasureHandler(state, __func__, bench.Kernel(), handler, players[75], "CompeteAlwaysWin", 1074, 5000);
    state.SetLabel("max:kernel_calls=30");
}
BENCHMARK(BM_WinStreakUpdate_MovingDirect);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (std::getenv("VOGAME_BENCH_CALLS") != nullptr) {
        for (const auto& [figure, line] : Tally::CallLines()) {
            std::fprintf(stderr, "%s: public-data calls per operation:%s\n", figure.c_str(), line.c_str());
        }
    }
    return 0;
}
