#pragma once
// Servers stopped as a crash would stop them (--stop-server): each is stopped
// at a public-data call inside its next locked rewrite after the chosen
// simulated time, so it leaves that list's lock held and the rewrite half
// done, and is restarted a simulated hour later. The other servers take the
// lock over after the stale-lock bound. The report says where each server
// stopped, the lock takeovers and the longest wait before one, and whether
// every list is whole at the end. With servers in processes of their own the
// stops are kills (--kill-server), done by SimProcesses and reported here.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "SimExtension.h"
#include "SimOptions.h"

class ReportSection;

class SimStops {
public:
    SimStops(const SimOptions& options, World& world, std::vector<SimServerState>& servers, std::int64_t startMs);

    // Before the step that starts at nowMs: stops that fall due are armed, and
    // servers stopped an hour or more ago restarted.
    void BeforeStep(std::int64_t nowMs);
    // After that step: notes the servers that stopped in it.
    void AfterStep(std::int64_t nowMs);
    // At the end of the run: restarts the servers still stopped, so that their
    // set-up takes over what they left held.
    void Finish(std::int64_t nowMs);

    // With servers in processes of their own, the parent tells what happened
    // to each kill (--kill-server) and hands over the processes' takeover log
    // lines, so both kinds of stop are reported alike.
    void Killed(const SimStop& asked, std::optional<std::int64_t> stoppedMs, std::string at,
                std::optional<std::int64_t> restartedMs);
    void AddTakeoverLines(const std::vector<std::string>& lines);
    // A server process's own check of its players on a list (SimLostPlayers).
    void AddLostPlayers(const std::string& record, const std::string& lost);

    // Lines of the Work done section (text only with --stop-server; the JSON
    // form always has them, under "locks").
    void Report(ReportSection& workDone) const;

private:
    struct Stop {
        SimStop asked;
        std::uint64_t callInside = 1;  // the public-data call inside the lock it stops at
        bool armed = false;
        std::optional<std::int64_t> stoppedMs, restartedMs;
        std::string at;  // what the stop interrupted
    };
    void Restart(Stop& stop, std::int64_t nowMs);

    const SimOptions& options_;
    World& world_;
    std::vector<SimServerState>& servers_;
    std::int64_t startMs_;
    std::vector<Stop> stops_;
    std::vector<std::string> otherLogs_;                // takeover lines logged in other processes
    std::map<std::string, std::string> lostElsewhere_;  // by record: players lost, found by server processes
};
