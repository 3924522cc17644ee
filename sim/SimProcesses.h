#pragma once
// The simulator's parent when every server runs in a process of its own: it
// starts the simulator again once per server in that server's role, drives
// them in lock-step through the simulated timeline (one step at a time, every
// server's own clock at the same moment), kills a server's process at its next
// locked rewrite when asked, starts it again a simulated hour later, and keeps
// each process's figures as it last sent them.
//
// The protocol, one line each way: the parent sends "step", "arm" (halt at the
// next public-data call inside a lock) or "end"; a server answers "armed", or
// "ready", "done" or "halted" followed by its figures as one JSON object. A
// halted server kills itself right after its answer.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "SimReport.h"
#include "host/PlatformChildProcess.h"

struct SimOptions;

struct SimProcessEvent {
    int server = 0;
    std::int64_t ms = 0;  // the simulated time of the step
    std::string what;     // "killed" or "restarted"
    std::string detail;   // where a killed server stopped; the exit status
};

// What became of one --kill-server.
struct SimKillOutcome {
    std::optional<std::int64_t> killedMs, restartedMs;
    std::string at;  // the public-data call it died at
};

class SimProcesses {
public:
    SimProcesses(const SimOptions& options, std::int64_t startMs);
    ~SimProcesses();  // kills what still runs
    SimProcesses(const SimProcesses&) = delete;
    SimProcesses& operator=(const SimProcesses&) = delete;

    // Starts every server's process and waits until each is ready.
    bool Start(std::string& error);
    // One step of the timeline at nowMs: restarts that are due, kills to arm, then every live server's step.
    bool Step(std::int64_t nowMs, std::string& error);
    // Ends every live server's process.
    bool Finish(std::string& error);

    // Every process's last figures: one per start of a server's process.
    std::vector<Json> Figures() const;
    const std::vector<SimProcessEvent>& Events() const noexcept { return events_; }
    int Started() const noexcept { return started_; }
    // One per --kill-server, in the order given.
    const std::vector<SimKillOutcome>& Kills() const noexcept { return kills_; }

private:
    struct Child {
        int server = 0;
        Platform::ChildProcess process;
        std::string buffer;  // bytes read past the last line
        bool alive = false;
        bool armed = false;
        int kill = -1;  // the --kill-server it is armed for or was killed by
        std::int64_t restartAtMs = -1;
        std::size_t figures = 0;  // its slot in figures_
    };
    bool Launch(Child& child, std::int64_t resumeMs, std::string& error);
    bool ReadLine(Child& child, std::string& line);
    bool Send(Child& child, const char* line);
    // Reads the answer "<word> <figures>", keeps the figures; false with error otherwise.
    bool Answer(Child& child, std::string& word, std::string& error);
    void Reap(Child& child, std::string& status);

    const SimOptions& options_;
    std::int64_t startMs_;
    std::vector<std::string> baseArgs_;
    std::vector<Child> children_;
    std::vector<Json> figures_;
    std::vector<SimProcessEvent> events_;
    std::vector<bool> killDone_;
    std::vector<SimKillOutcome> kills_;
    int started_ = 0;
};
