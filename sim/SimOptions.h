#pragma once
// Command-line settings of the simulator.
#include <cstdint>
#include <string>

struct SimOptions {
    int servers = 2;
    int players = 1000;          // in the whole world, spread over the servers
    double days = 1.0;           // simulated time after the players have logged in
    int stepMinutes = 10;        // clock step between rounds of player behaviour
    std::uint64_t seed = 1;
    int year = 2024, month = 1, day = 1;  // start date, at 00:00:00
    bool threads = false;        // each server on its own logic thread
    bool echo = false;           // echo WriteLog/WriteTrace
    bool quiet = false;          // only the final summary
    std::string library;         // empty: the library built with the simulator
    std::string resources;       // resource folder; empty: a fresh temporary one
    bool help = false;
};

// False with a message in error for an unknown option or a bad value.
bool ParseSimOptions(int argc, char** argv, SimOptions& out, std::string& error);
void PrintSimHelp(const char* program);
