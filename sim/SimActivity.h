#pragma once
// How the simulated players act: how often each thing a player does happens
// per hour he is online (per server-hour for what a server does), and how many
// players are online at once. The defaults are the simulator's model as it
// always was; docs/simulator-guide.md describes every rate.
//
// Every server acts once per step (--step-minutes) and all servers keep step
// with each other. In a step a server with n players online does a per-player
// action floor(n x rate x step hours) times, at least once while the rate is
// above 0; a per-server action floor(rate x step hours) times, plus once more
// with the chance of the fraction left over.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct SimAction {
    const char* name;
    double perHour;    // the default rate
    bool perPlayer;    // per player-hour online; else per server-hour
    const char* what;  // for the guide and --help
};

class SimActivity {
public:
    SimActivity();

    // Every action, in the order the guide lists them.
    static const std::vector<SimAction>& Actions();

    double Rate(std::string_view action) const;  // per hour; an unknown action is a programming error
    // Share of each server's players online at once (0 to 1, default 1: everyone,
    // always); with less, players log out after sessions of sessionHours on
    // average and as many offline players log in.
    double online = 1.0;
    double sessionHours = 2.0;
    // Share of fights fought among the players waiting in the challenge scene.
    double challengeShare = 0.7;

    // How many times a per-player action happens in a step on a server with
    // `online` players online.
    std::size_t PlayerTimes(std::string_view action, std::size_t onlinePlayers, int stepMinutes) const;
    // A per-server action's whole number of times in a step, and the chance of one more.
    std::size_t ServerTimes(std::string_view action, int stepMinutes, double& chanceOfOneMore) const;

    // "name=value": a rate per hour (0 or more), or one of online, session_hours,
    // challenge_share. False with a message for an unknown name or a bad value.
    bool Set(std::string_view assignment, std::string& error);
    // A file of "name = value" lines; blank lines and lines starting with # are skipped.
    bool Load(const std::string& path, std::string& error);
    // Options that give a server process the same model (only what differs from the defaults).
    std::vector<std::string> Arguments() const;
    // Every value, "name = value" per line, as a file for Load would hold it.
    std::string Text() const;

private:
    std::vector<double> rates_;
};
