#pragma once
// One run of the simulator: a world, its players, the clock loop and reports.
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "SimOptions.h"
#include "host/World.h"

class Simulation {
public:
    explicit Simulation(const SimOptions& options);
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // Builds, starts and runs everything; 0 when every module started and the
    // host's diagnostics stayed empty, 1 otherwise.
    int Run();

private:
    bool StartServers();
    void CreatePlayers();
    void ReportStart();
    void RunClock();
    void ReportEnd(double seconds);
    void ForEachServer(void (*work)(Simulation&, std::size_t));

    SimOptions options_;
    std::string resourceDir_;
    bool ownResourceDir_ = false;
    std::unique_ptr<World> world_;
    std::vector<std::mt19937_64> rngs_;
    std::vector<std::vector<ObjectId>> players_;
    int round_ = 0;
};
