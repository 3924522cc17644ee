#include "SimOptions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
bool ToLong(const char* text, long long low, long long high, long long& out) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (*end != '\0' || v < low || v > high) return false;
    out = v;
    return true;
}
}  // namespace

bool ParseSimOptions(int argc, char** argv, SimOptions& out, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long long n = 0;
        auto need = [&](long long low, long long high) {
            if (!ToLong(value, low, high, n)) {
                error = std::string(arg) + " needs a whole number from " + std::to_string(low) + " to " +
                        std::to_string(high);
                return false;
            }
            ++i;
            return true;
        };
        if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            out.help = true;
        } else if (!std::strcmp(arg, "--servers")) {
            if (!need(1, 64)) return false;
            out.servers = static_cast<int>(n);
        } else if (!std::strcmp(arg, "--players")) {
            if (!need(0, 1'000'000)) return false;
            out.players = static_cast<int>(n);
        } else if (!std::strcmp(arg, "--days")) {
            char* end = nullptr;
            const double d = value ? std::strtod(value, &end) : -1.0;
            if (value == nullptr || *end != '\0' || !(d >= 0.0 && d <= 366.0)) {
                error = "--days needs a number from 0 to 366";
                return false;
            }
            out.days = d;
            ++i;
        } else if (!std::strcmp(arg, "--step-minutes")) {
            if (!need(1, 1440)) return false;
            out.stepMinutes = static_cast<int>(n);
        } else if (!std::strcmp(arg, "--seed")) {
            if (!need(0, 0x7fffffffffffffffLL)) return false;
            out.seed = static_cast<std::uint64_t>(n);
        } else if (!std::strcmp(arg, "--start")) {
            if (value == nullptr || std::sscanf(value, "%d-%d-%d", &out.year, &out.month, &out.day) != 3 ||
                out.year < 1971 || out.year > 9999 || out.month < 1 || out.month > 12 || out.day < 1 ||
                out.day > 31) {
                error = "--start needs a date YYYY-MM-DD";
                return false;
            }
            ++i;
        } else if (!std::strcmp(arg, "--threads")) {
            out.threads = true;
        } else if (!std::strcmp(arg, "--echo")) {
            out.echo = true;
        } else if (!std::strcmp(arg, "--quiet")) {
            out.quiet = true;
        } else if (!std::strcmp(arg, "--library") || !std::strcmp(arg, "--resources")) {
            if (value == nullptr) {
                error = std::string(arg) + " needs a path";
                return false;
            }
            (!std::strcmp(arg, "--library") ? out.library : out.resources) = value;
            ++i;
        } else {
            error = std::string("unknown option ") + arg + " (see --help)";
            return false;
        }
    }
    return true;
}

void PrintSimHelp(const char* program) {
    std::printf(
        "usage: %s [options]\n"
        "Builds a world of servers sharing one public data store, loads the game logic\n"
        "library into every server, sends the start events, logs the players in and\n"
        "advances simulated time, then reports what each module did.\n"
        "\n"
        "  --servers N        servers in the world (1-64, default 2)\n"
        "  --players P        players in the whole world, spread evenly (default 1000)\n"
        "  --days D           simulated days after login, fractions allowed (default 1)\n"
        "  --step-minutes M   clock step between rounds of player activity (default 10)\n"
        "  --seed S           seed of every random choice; equal seeds give equal runs\n"
        "                     (with --threads the servers interleave freely) (default 1)\n"
        "  --start YYYY-MM-DD simulated start date, at midnight (default 2024-01-01)\n"
        "  --threads          run each server on its own logic thread\n"
        "  --library PATH     the library to load (default: the one built alongside)\n"
        "  --resources DIR    resource folder holding the Rule\\ files (default: a fresh\n"
        "                     temporary folder into which each part writes its rules)\n"
        "  --echo             echo the library's log and trace lines\n"
        "  --quiet            print only the final summary\n"
        "  --help             this text\n"
        "\n"
        "Scenes of every server: 1 \"HomeScene\", 2 \"BaseScene\", 3 \"BaseScene\" with the\n"
        "configuration \"ChallengeWaitScene\". Players live in scenes 2 and 3.\n",
        program);
}
