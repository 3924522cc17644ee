// A typical host-call argument list (an object, two names, three ints): built,
// read back and destroyed, as CVarList and as a vector of variants. The tests'
// counting allocator reports the heap allocations each list costs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "Utility/CVarList.h"
#include "tests/support/AllocationControl.h"

namespace {

using Variant =
    std::variant<int, std::int64_t, float, std::string, std::u16string, ObjectId, std::vector<unsigned char>>;

struct Call {
    ObjectId object;
    const char* name1;
    const char* name2;
    int a, b, c;
};

// Names of up to 20 characters, as the modules pass record and property names.
const Call kLongNames{{1234, 5678}, "PlayerToplistRecName", "Pub_PlayerTopInfo_20", 7, 140911, -3};
const Call kShortNames{{1234, 5678}, "Level", "GutOver", 7, 140911, -3};

void UseCVarList(benchmark::State& state, const Call& call) {
    const std::uint64_t before = AllocationControl::Count();
    for (auto _ : state) {
        CVarList list;
        list << call.object << call.name1 << call.name2 << call.a << call.b << call.c;
        benchmark::DoNotOptimize(&list);
        std::uint64_t sum = list.ObjectAt(0).ident;
        sum += static_cast<unsigned char>(list.StringAt(1)[0]);
        sum += static_cast<unsigned char>(list.StringAt(2)[0]);
        sum += static_cast<std::uint64_t>(list.IntAt(3) + list.IntAt(4) + list.IntAt(5));
        benchmark::DoNotOptimize(sum);
    }
    state.counters["allocs_per_list"] = benchmark::Counter(static_cast<double>(AllocationControl::Count() - before),
                                                           benchmark::Counter::kAvgIterations);
}

// `reserve` gives the vector its best case: one array allocation. figure: the
// CVarList benchmark that this one is the baseline of (scripts/bench-all.sh).
void UseVariantVector(benchmark::State& state, const Call& call, bool reserve, const char* figure) {
    const std::uint64_t before = AllocationControl::Count();
    for (auto _ : state) {
        std::vector<Variant> list;
        if (reserve) list.reserve(6);
        list.emplace_back(call.object);
        list.emplace_back(std::string(call.name1));
        list.emplace_back(std::string(call.name2));
        list.emplace_back(call.a);
        list.emplace_back(call.b);
        list.emplace_back(call.c);
        benchmark::DoNotOptimize(list.data());
        std::uint64_t sum = std::get<ObjectId>(list[0]).ident;
        sum += static_cast<unsigned char>(std::get<std::string>(list[1])[0]);
        sum += static_cast<unsigned char>(std::get<std::string>(list[2])[0]);
        sum += static_cast<std::uint64_t>(std::get<int>(list[3]) + std::get<int>(list[4]) + std::get<int>(list[5]));
        benchmark::DoNotOptimize(sum);
    }
    state.counters["allocs_per_list"] = benchmark::Counter(static_cast<double>(AllocationControl::Count() - before),
                                                           benchmark::Counter::kAvgIterations);
    state.SetLabel(std::string("baseline:") + figure);
}

}  // namespace

BENCHMARK_CAPTURE(UseCVarList, names_20_chars, kLongNames);
BENCHMARK_CAPTURE(UseVariantVector, names_20_chars_reserved, kLongNames, true, "UseCVarList/names_20_chars");
BENCHMARK_CAPTURE(UseVariantVector, names_20_chars_unreserved, kLongNames, false, "UseCVarList/names_20_chars");
BENCHMARK_CAPTURE(UseCVarList, names_short, kShortNames);
BENCHMARK_CAPTURE(UseVariantVector, names_short_reserved, kShortNames, true, "UseCVarList/names_short");

BENCHMARK_MAIN();
