#pragma once
// One run of the simulator: a world, its players and the clock loop
// (Simulation.cpp); the report built from what it counted (SimulationReport.cpp).
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SimExtension.h"
#include "SimLists.h"
#include "SimOptions.h"
#include "host/World.h"

class SimReport;
class SimStops;
class SimTimeline;

class Simulation {
public:
    explicit Simulation(const SimOptions& options);
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // Builds, starts, runs and reports; 0 when every module started and the
    // host's diagnostics stayed empty, 1 otherwise, 2 when the run could not start.
    int Run();

private:
    bool PrepareResources();
    bool StartServers(std::unique_ptr<PubDataStore> store);
    bool Local(std::size_t i) const noexcept {
        return options_.serverRole == 0 || options_.serverRole == static_cast<int>(i) + 1;
    }
    bool Parent() const noexcept { return options_.processes && options_.serverRole == 0; }
    // A server's own process: its one server, stepped by the parent's commands.
    int RunServerRole();
    Json Figures(bool last) const;
    // The parent of the server processes.
    bool RunProcesses();
    void ReportStore(SimReport& report);
    void ReportProcesses(SimReport& report);
    void CreatePlayers();
    void RunClock();
    void Progress(std::int64_t step, std::int64_t steps, bool last);
    // A sample of the run's course when a step ending at endMs completes an hour
    // (or the run); at the start, the figures the first hour is counted from.
    void SampleTimeline(std::int64_t endMs, bool last, bool start = false);
    SimListFigures ListRewrites(const std::vector<Json>& figures) const;
    void ReportWorld(SimReport& report);
    void CountWork();
    void ReportWork(SimReport& report, double seconds);
    void ReportDiagnostics(SimReport& report);

    SimOptions options_;
    std::string resourceDir_;
    bool ownResourceDir_ = false;
    std::unique_ptr<World> world_;
    std::vector<SimServerState> servers_;
    std::unique_ptr<SimRun> run_;
    std::unique_ptr<class SimProcesses> processes_;
    std::vector<Json> figures_;                          // every server process's last figures
    std::map<std::string, std::vector<Json>> gathered_;  // their extensions' figures, by extension
    std::unique_ptr<SimStops> stops_;
    std::unique_ptr<SimTimeline> timeline_;
    std::unique_ptr<class SimWorldLoss> worldLoss_;  // sets the lists up again after the store lost the world
    std::int64_t steps_ = 0;
    std::chrono::steady_clock::time_point created_ = std::chrono::steady_clock::now();
    std::int64_t daysShown_ = 0;  // progress lines written (--progress)
    std::uint64_t logins_ = 0;
    // Lock holds released, per leaderboard (counted by the store's release hook).
    std::atomic<std::uint64_t> rewrites_[kSimListCount] = {};
    bool hooked_ = false;  // the store runs the release hook (else it counts its own releases)
    struct WorkCounters {
        std::uint64_t changes = 0, callbacks = 0, kernelCalls = 0, messages = 0, timed = 0, lockWaits = 0;
        std::uint64_t rewrites[kSimListCount] = {}, listWaits[kSimListCount] = {};
        int rows[kSimListCount] = {};
        bool lockHeld[kSimListCount] = {};
        std::map<int, std::uint64_t> requests;
    } work_;
};
