#pragma once
// What one part of the game adds to the simulator: its rule files, the
// properties and behaviour of players, and a section of the final report. Each
// leaderboard adds one in its own file (sim/Sim<Name>.cpp) with a static
// SimExtensionRegistration; nothing else needs to change.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "host/World.h"

struct SimOptions;

// One server's view during a round of player activity.
struct SimServerContext {
    Server& server;
    std::mt19937_64& rng;
    const std::vector<ObjectId>& players;  // the server's online players
    int round = 0;                         // 0 is login
};

struct SimExtension {
    const char* name = "";
    int order = 100;  // report sections in ascending order
    // Files to write into the resource folder before the servers start (may be null).
    void (*writeResources)(const std::string& resourceDir) = nullptr;
    // Properties a new player starts with (may be null); called before login.
    void (*newPlayer)(SimServerContext& ctx, ObjectId player) = nullptr;
    // Once per step on each server, on that server's logic thread (may be null).
    void (*act)(SimServerContext& ctx) = nullptr;
    // The report section (may be null).
    void (*report)(World& world, const SimOptions& options) = nullptr;
};

std::vector<const SimExtension*>& SimExtensions();  // sorted by order when the run starts

struct SimExtensionRegistration {
    explicit SimExtensionRegistration(const SimExtension& extension) { SimExtensions().push_back(&extension); }
};
