#pragma once
// Command-line settings of the simulator.
#include <cstdint>
#include <string>
#include <vector>

#include "SimActivity.h"

// A server to stop, as a crash would, at its next locked rewrite after a
// simulated moment; it is restarted a simulated hour after it stopped. With
// servers in processes of their own, the stop is a kill of the process.
struct SimStop {
    int server = 0;  // 1-based
    int day = 1;     // 1 is the start date
    int hour = 0, minute = 0;

    std::int64_t OffsetMs() const noexcept {
        return ((static_cast<std::int64_t>(day) - 1) * 24 + hour) * 3'600'000 +
               static_cast<std::int64_t>(minute) * 60'000;
    }
};

struct SimOptions {
    int servers = 2;
    int players = 5000;    // in the whole world, spread over the servers
    double hours = 72.0;   // simulated time after the players have logged in
    int stepMinutes = 10;  // clock step between rounds of player behaviour
    std::uint64_t seed = 1;
    int year = 2024, month = 1, day = 1;  // start date, at 00:00:00
    int top = 10;                         // rows of each leaderboard in the report
    bool json = false;                    // the report as one JSON object instead of text
    bool timing = false;                  // wall-clock figures in the report too (it then differs run to run)
    bool requests = true;                 // clients ask for the lists and the nation report during the run
    bool threads = false;                 // each server on its own logic thread
    bool echo = false;                    // echo WriteLog/WriteTrace
    bool quiet = false;                   // no progress line
    bool progress = false;                // a line per simulated day on stderr where no live line shows
    std::string html;                     // a page of the run (charts and tables) written here; empty: none
    std::string rules;                    // the win-streak rule file; empty: the one shipped with the simulator
    std::string library;                  // empty: the library built with the simulator
    std::string resources;                // resource folder; empty: a fresh temporary one
    std::vector<std::string> without;     // sibling modules the servers lack, by name
    std::vector<SimStop> stops;           // servers stopped holding a lock, in the order given
    std::string store = "memory";         // "memory" or redis://[USER@]HOST:PORT[/PREFIX]
    std::string storePasswordFile;        // the Redis password's file (owner-only), when given
    bool fresh = false;                   // remove the world's keys from the store first
    bool processes = false;               // each server in its own process
    std::vector<SimStop> kills;           // server processes killed holding a lock (--kill-server)
    SimActivity activity;                 // --activity, --rate, --online
    // Set by the simulator for the processes it starts: the one server this
    // process runs, and the clock a restarted one starts at (0: the start date).
    int serverRole = 0;
    std::int64_t resumeMs = 0;
    bool help = false;
};

// False with a message in error for an unknown option or a bad value.
bool ParseSimOptions(int argc, char** argv, SimOptions& out, std::string& error);
void PrintSimHelp(const char* program);
