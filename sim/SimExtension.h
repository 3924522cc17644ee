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
#include "top/RankedList.h"

struct SimOptions;
class SimActivity;
class SimReport;

using PlayerProperties = std::vector<std::pair<std::string, HostValue>>;

// One server's players and its share of the work counters. During the run it
// is touched only by the thread that drives that server.
struct SimServerState {
    Server* server = nullptr;
    std::mt19937_64 rng;
    std::vector<ObjectId> players;          // in creation order; null while offline
    std::vector<std::u16string> names;      // same order
    std::vector<int> scenes;                // same order: 2, or 3 for the challenge waiting scene
    std::uint64_t changes = 0;              // properties set through the kernel (watched or not)
    std::map<int, std::uint64_t> requests;  // client messages sent, by message id
    bool ask = true;                        // false: Ask sends nothing
    const SimActivity* activity = nullptr;  // the activity model (null: its defaults)
    int stepMinutes = 10;
    std::uint64_t logouts = 0, loginsAgain = 0;  // sessions ended and begun during play
    SimCostMeter costs;                          // what each kind of action below cost the host

    // Logs player i in as the host does: "OnLoad", then command 1009 (ready).
    void LogIn(std::size_t i);
    // Sets a property of player i through the kernel, so its watches fire; nothing while he is offline.
    void Set(std::size_t i, const char* property, const HostValue& value);
    // Player i's client sends message id (nothing else in the message), unless
    // asking is off or he is offline.
    void Ask(std::size_t i, int message);
    // Moves the server's clock on, running the heartbeats and timed events that fall due.
    void Advance(std::int64_t ms);

    int Uniform(int low, int high);  // low..high inclusive
    bool Chance(double p);
    // A player online now (with everyone online, any player, as always).
    std::size_t Pick();

    // --- the activity model and sessions (SimSessions.cpp) ---
    const SimActivity& Model() const;  // the run's, or the defaults
    // How many times a per-player action happens this step (SimActivity::PlayerTimes).
    std::size_t Times(const char* action) const;
    // How many times a per-server action happens this step; draws a chance only for a fraction.
    std::size_t ServerTimes(const char* action);
    bool Online(std::size_t i) const { return !players[i].IsNull(); }
    std::size_t OnlineCount() const { return players.size() - offlineCount_; }
    std::size_t FirstOnline() const;  // the first player online, or 0
    // Whether player i of count starts online: the model's share, spread evenly.
    bool StartsOnline(std::size_t i) const;
    // Player i exists but is offline, with these properties for his next login.
    void KeepOffline(std::size_t i, PlayerProperties properties);
    // Ends player i's session: his properties kept, his object gone as at a logout.
    void LogOut(std::size_t i);
    // Logs an offline player in again with his kept properties.
    void LogInAgain(std::size_t i);
    std::size_t PickOffline();

private:
    // Who is online and who is not, as lists to pick from; made once play begins.
    void List();
    void Move(std::vector<std::size_t>& from, std::vector<std::size_t>& to, std::size_t i);

    std::size_t listed_ = 0;  // players when the lists were made
    std::size_t offlineCount_ = 0;
    std::vector<std::size_t> online_;
    std::vector<std::size_t> offline_;
    std::vector<std::size_t> slot_;       // each player's place in online_ or offline_
    std::vector<PlayerProperties> kept_;  // an offline player's properties
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
    // The ranked list this part drives (may be null), its name in the report
    // and what its ranking column holds.
    const TopList::RankedList* list = nullptr;
    const char* listName = nullptr;
    const char* listValue = nullptr;
};

std::vector<const SimExtension*>& SimExtensions();  // sorted by order when the run starts

struct SimExtensionRegistration {
    explicit SimExtensionRegistration(const SimExtension& extension) { SimExtensions().push_back(&extension); }
};

// Shared by the report sections.
std::string DateTimeText(std::int64_t ms);  // "2024-01-02 22:00"
std::string IsoTimeText(std::int64_t ms);   // "2024-01-02T22:00:00", the game's local time
std::string ValueText(const HostValue& value);
// A table of a section's first 20 lines (then "... N more"), and the same as
// first_lines in its JSON form.
void QuoteFirstLines(ReportSection& s, const std::string& title, const std::vector<std::string>& lines);
