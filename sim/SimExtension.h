#pragma once
// What one part of the game adds to the simulator: its rule files, the
// properties and behaviour of players, and sections of the report. Each
// leaderboard adds one in its own file (sim/Sim<Name>.cpp) with a static
// SimExtensionRegistration; nothing else needs to change.
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "SimCostMeter.h"
#include "SimReport.h"
#include "host/World.h"

struct SimOptions;
class SimReport;

// One server's players and its share of the work counters. During the run it
// is touched only by the thread that drives that server.
struct SimServerState {
    Server* server = nullptr;
    std::mt19937_64 rng;
    std::vector<ObjectId> players;       // in creation order
    std::vector<std::u16string> names;   // same order
    std::vector<int> scenes;             // same order: 2, or 3 for the challenge waiting scene
    std::uint64_t changes = 0;           // properties set through the kernel (watched or not)
    std::map<int, std::uint64_t> requests;  // client messages sent, by message id
    bool ask = true;                     // false: Ask sends nothing
    SimCostMeter costs;                  // what each kind of action below cost the host

    // Logs player i in as the host does: "OnLoad", then command 1009 (ready).
    void LogIn(std::size_t i);
    // Sets a property of player i through the kernel, so its watches fire.
    void Set(std::size_t i, const char* property, const HostValue& value);
    // Player i's client sends message id (nothing else in the message), unless asking is off.
    void Ask(std::size_t i, int message);
    // Moves the server's clock on, running the heartbeats and timed events that fall due.
    void Advance(std::int64_t ms);

    int Uniform(int low, int high);  // low..high inclusive
    bool Chance(double p);
    std::size_t Pick() { return static_cast<std::size_t>(Uniform(0, static_cast<int>(players.size()) - 1)); }
};

// The whole run, as the extensions see it.
struct SimRun {
    World& world;
    const SimOptions& options;
    std::vector<SimServerState>& servers;
    std::int64_t startMs = 0;  // the clock when play began
    // With servers in processes of their own: this process drives none of them
    // (servers is empty) and each extension's figures from every server process,
    // by extension name, stand in for them.
    const std::map<std::string, std::vector<Json>>* gathered = nullptr;
};

using PlayerProperties = std::vector<std::pair<std::string, HostValue>>;

struct SimExtension {
    const char* name = "";
    int order = 100;  // called, and reported, in ascending order
    // Files to write into a fresh resource folder (may be null); false with a message stops the run.
    bool (*writeResources)(const SimOptions& options, const std::string& resourceDir, std::string& error) = nullptr;
    // Once, after the servers started and before any player exists (may be null).
    void (*start)(SimRun& run) = nullptr;
    // Properties player i of a server starts with (may be null); called before his login.
    void (*newPlayer)(SimServerState& server, std::size_t i, PlayerProperties& properties) = nullptr;
    // Once per step on each server, on the thread that drives it, before its clock moves (may be null).
    void (*act)(SimServerState& server, std::int64_t nowMs) = nullptr;
    // Report sections (may be null).
    void (*report)(SimRun& run, SimReport& report) = nullptr;
    // In a server's own process: what its report needs of this process, as JSON (may be null).
    Json (*gather)(SimRun& run) = nullptr;
};

std::vector<const SimExtension*>& SimExtensions();  // sorted by order when the run starts

struct SimExtensionRegistration {
    explicit SimExtensionRegistration(const SimExtension& extension) { SimExtensions().push_back(&extension); }
};

// Shared by the report sections.
std::string DateTimeText(std::int64_t ms);  // "2024-01-02 22:00"
std::string IsoTimeText(std::int64_t ms);   // "2024-01-02T22:00:00", the game's local time
std::string ValueText(const HostValue& value);
