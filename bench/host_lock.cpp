// The reference host's public data under load: lock/unlock pairs with one and
// with four contending servers, and cell reads and row inserts on a 150-row record.
#include <benchmark/benchmark.h>

#include <memory>
#include <mutex>
#include <cstdio>
#include <random>

#include "host/World.h"
#include "record/PubRecordHandle.h"

namespace {

constexpr const char16_t* kSpace = u"Pub_Bench";
constexpr int kRows = 150;

ServerOptions LenientText() {
    ServerOptions options;
    options.strictKernelText = false;  // no copy of every text handed out
    return options;
}

// One world for the whole program: servers 1-4 share its store.
World& TheWorld() {
    static World* world = [] {
        auto* w = new World(4, LenientText());
        HostKernel& k = w->server(0).Kernel();
        PubRecordHandle h(&k, kSpace, "BenchRec");
        h.CreateRecord(kRows, 4);
        h.SetColumnType(0, VT_WIDESTR);
        h.SetColumnType(1, VT_INT);
        h.SetColumnType(2, VT_INT);
        h.SetColumnType(3, VT_STRING);
        for (int i = 0; i < kRows - 1; ++i) {
            CVarList row;
            const std::u16string name = u"Player" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                                        std::u16string(1, static_cast<char16_t>(u'a' + i / 26));
            row << name.c_str() << (1000 - i) << i << "guild";
            h.AddRow(-1, row);
        }
        h.Lock();
        h.Unlock();
        return w;
    }();
    return *world;
}

void BM_LockUnlock(benchmark::State& state) {
    HostKernel& k = TheWorld().server(static_cast<std::size_t>(state.thread_index())).Kernel();
    PubRecordHandle h(&k, kSpace, "BenchRec");
    for (auto _ : state) {
        h.Lock();
        h.Unlock();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LockUnlock)->Threads(1)->Threads(4)->UseRealTime();

// The lock as it was first written: retrying with no pause at all, for comparison.
void BM_LockUnlockWithoutPause(benchmark::State& state) {
    HostKernel& k = TheWorld().server(static_cast<std::size_t>(state.thread_index())).Kernel();
    const int index = k.GetPubDataIndex(kSpace);
    for (auto _ : state) {
        while (!k.CompareSetPubPropertyInt(index, "BenchRecPubLock", 0, 1)) {}
        k.CompareSetPubPropertyInt(index, "BenchRecPubLock", 1, 0);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("baseline:BM_LockUnlock");  // scripts/bench-all.sh pairs it with that figure
}
BENCHMARK(BM_LockUnlockWithoutPause)->Threads(4)->UseRealTime();

void BM_CellRead(benchmark::State& state) {
    HostKernel& k = TheWorld().server(0).Kernel();
    PubRecordHandle h(&k, kSpace, "BenchRec");
    std::mt19937 rng(1);
    for (auto _ : state) {
        const int row = static_cast<int>(rng() % (kRows - 1));
        benchmark::DoNotOptimize(h.CellInt(row, 1));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CellRead);

void BM_WideCellRead(benchmark::State& state) {
    HostKernel& k = TheWorld().server(0).Kernel();
    const int index = k.GetPubDataIndex(kSpace);
    std::mt19937 rng(2);
    for (auto _ : state) {
        const int row = static_cast<int>(rng() % (kRows - 1));
        benchmark::DoNotOptimize(k.QueryPubRecordWideStr(index, "BenchRec", row, 0));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WideCellRead);

// A row of values inserted at a random place in a 149-row record, then removed
// again so the record never fills: one insert and one remove per iteration.
void BM_RowInsertAndRemove(benchmark::State& state) {
    HostKernel& k = TheWorld().server(0).Kernel();
    PubRecordHandle h(&k, kSpace, "BenchRec");
    std::mt19937 rng(3);
    for (auto _ : state) {
        const int row = static_cast<int>(rng() % kRows);
        CVarList values;
        values << u"Newcomer" << 500 << 1 << "guild";
        const int at = h.AddRow(row, values);
        k.RemovePubRecordRow(h.PubIndex(), "BenchRec", at);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RowInsertAndRemove);

void BM_FindRowByName(benchmark::State& state) {
    HostKernel& k = TheWorld().server(0).Kernel();
    PubRecordHandle h(&k, kSpace, "BenchRec");
    for (auto _ : state) benchmark::DoNotOptimize(h.FindRowByName(u"Nobody"));  // scans all 149 rows
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindRowByName);

int CountChange(IKernel* kernel, const ObjectId& self, const char* property, const IVarList& previous) {
    benchmark::DoNotOptimize(kernel->QueryInt(self, property) + previous.IntAt(0));
    return 1;
}

// A watched player property set through the kernel, among 10,000 online players:
// the simulator's most frequent host path.
void BM_WatchedPropertySet(benchmark::State& state) {
    static MemoryPubDataStore store;
    static Server* server = [] {
        auto* s = new Server(store, 9, LenientText());
        s->CreateScene(2);
        s->Critical()->DeclarePropertyCallback(&s->Kernel(), CountChange, "Bench::OnLevelChanged");
        for (int i = 0; i < 10'000; ++i) {
            char name[16];
            const int len = std::snprintf(name, sizeof name, "P%d", i);
            const ObjectId p =
                s->CreatePlayer(std::u16string(name, name + len), 2, {{"Level", 1}, {"GutOver", 1}, {"Charm", 0}});
            s->Critical()->AddPropertyWatch(&s->Kernel(), p, "Level", "Bench::OnLevelChanged");
            s->Critical()->AddPropertyWatch(&s->Kernel(), p, "Charm", "Bench::OnLevelChanged");
        }
        return s;
    }();
    const std::vector<ObjectId> players = server->Kernel().PlayersIn(2);
    std::mt19937 rng(4);
    HostKernel& k = server->Kernel();
    for (auto _ : state) {
        const ObjectId& p = players[rng() % players.size()];
        k.SetInt(p, "Level", static_cast<int>(rng() % 100));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WatchedPropertySet);

}  // namespace

BENCHMARK_MAIN();
