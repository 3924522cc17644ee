// The simulator's main job at scale, run as its own process so that its peak
// resident memory is its own: 50,000 players over the default three days and
// 100,000 players over one day, two servers. Figures: wall time, simulated
// player-hours per second against the target of 20,000 (100,000 players for a
// day within 2 minutes), and peak memory against its bound (400 and 800 MB).
// One run each: these are long.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kTargetPlayerHoursPerSecond = 20'000;

struct ChildRun {
    int status = -1;  // the exit status, -1 when it did not exit normally
    double seconds = 0.0;
    long peakKb = 0;
};

ChildRun RunQuietly(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    ChildRun result;
    const auto started = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid) {
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            result.peakKb = usage.ru_maxrss;
        }
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    posix_spawn_file_actions_destroy(&actions);
    return result;
}

// Arguments: players, simulated hours, the peak memory bound in MB, the wall
// time bound in seconds (0: none).
void BM_SimulatorAtScale(benchmark::State& state) {
    const auto players = state.range(0), hours = state.range(1), boundMb = state.range(2),
               boundSeconds = state.range(3);
    ChildRun run;
    for (auto _ : state) {
        run = RunQuietly(
            {VOGAME_SIM_PATH, "--players", std::to_string(players), "--hours", std::to_string(hours), "--quiet"});
        state.SetIterationTime(run.seconds);
    }
    if (run.status != 0) {
        state.SkipWithError(("the simulator exited with status " + std::to_string(run.status)).c_str());
        return;
    }
    state.SetItemsProcessed(players * hours);  // simulated player-hours
    state.counters["wall_s"] = run.seconds;
    state.counters["peak_rss_mb"] = static_cast<double>(run.peakKb) / 1024.0;
    std::string label =
        "target:" + std::to_string(kTargetPlayerHoursPerSecond) + "/s;max:peak_rss_mb=" + std::to_string(boundMb);
    if (boundSeconds > 0) label += ";max:wall_s=" + std::to_string(boundSeconds);
    state.SetLabel(label);
}
BENCHMARK(BM_SimulatorAtScale)
    ->ArgNames({"players", "hours", "rss_bound_mb", "time_bound_s"})
    ->Args({50'000, 72, 400, 0})
    ->Args({100'000, 24, 800, 120})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
