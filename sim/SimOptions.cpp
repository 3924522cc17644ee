#include "SimOptions.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <system_error>
#include <utility>

namespace {
// The one reader of the simulator's numbers: the whole text, digits only (a
// leading minus where the range allows), no blanks, nothing after, no wrap.
bool ToLong(const char* text, long long low, long long high, long long& out) {
    if (text == nullptr) return false;
    const char* end = text + std::strlen(text);
    long long v = 0;
    const auto [at, ec] = std::from_chars(text, end, v);
    if (ec != std::errc() || at != end || v < low || v > high) return false;
    out = v;
    return true;
}

bool ToDouble(const char* text, double low, double high, double& out) {
    if (text == nullptr) return false;
    const char* end = text + std::strlen(text);
    double v = 0.0;
    const auto [at, ec] = std::from_chars(text, end, v, std::chars_format::fixed);
    if (ec != std::errc() || at != end || !(v >= low && v <= high)) return false;
    out = v;
    return true;
}

// YYYY-MM-DD of a day that exists, from 1971 on.
bool ToDate(const char* text, int& year, int& month, int& day) {
    if (text == nullptr || std::strlen(text) != 10 || text[4] != '-' || text[7] != '-') return false;
    long long y = 0, m = 0, d = 0;
    const std::string s(text);
    if (!ToLong(s.substr(0, 4).c_str(), 1971, 9999, y) || !ToLong(s.substr(5, 2).c_str(), 1, 12, m) ||
        !ToLong(s.substr(8, 2).c_str(), 1, 31, d))
        return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d > kDays[m - 1] + (m == 2 && leap ? 1 : 0)) return false;
    year = static_cast<int>(y);
    month = static_cast<int>(m);
    day = static_cast<int>(d);
    return true;
}

// N@DAY:HH:MM: a server, a day from 1 and a time of that day.
bool ToStop(const char* text, SimStop& out) {
    if (text == nullptr) return false;
    const std::string s(text);
    const std::size_t at = s.find('@');
    const std::size_t colon = s.find(':', at == std::string::npos ? 0 : at);
    if (at == std::string::npos || colon == std::string::npos || s.size() != colon + 6 || s[colon + 3] != ':') {
        return false;
    }
    long long server = 0, day = 0, hour = 0, minute = 0;
    if (!ToLong(s.substr(0, at).c_str(), 1, 64, server) ||
        !ToLong(s.substr(at + 1, colon - at - 1).c_str(), 1, 367, day) ||
        !ToLong(s.substr(colon + 1, 2).c_str(), 0, 23, hour) || !ToLong(s.substr(colon + 4, 2).c_str(), 0, 59, minute))
        return false;
    out = {static_cast<int>(server), static_cast<int>(day), static_cast<int>(hour), static_cast<int>(minute)};
    return true;
}

// The end of a refusal: the value as typed, or that none came.
std::string Given(const char* value) {
    return value ? std::string(", not \"") + value + "\"" : std::string(", none given");
}

// What the options fill: the settings, and --days and --hours, which add up.
struct Parsing {
    SimOptions& out;
    double days = -1.0, hours = -1.0;  // -1: not given
};

// Applies one option to its setting; false with a message in error. value is
// the next argument for an option that takes one (null when none is left).
using Apply = std::function<bool(Parsing&, const char* arg, const char* value, std::string& error)>;

struct OptionRule {
    const char* name;
    bool takesValue;
    Apply apply;
};

Apply Flag(bool SimOptions::*member, bool set = true) {
    return [member, set](Parsing& p, const char*, const char*, std::string&) {
        p.out.*member = set;
        return true;
    };
}

template <class T>
Apply Whole(T SimOptions::*member, long long low, long long high) {
    return [member, low, high](Parsing& p, const char* arg, const char* value, std::string& error) {
        long long n = 0;
        if (!ToLong(value, low, high, n)) {
            error = std::string(arg) + " needs a whole number from " + std::to_string(low) + " to " +
                    std::to_string(high) + Given(value);
            return false;
        }
        p.out.*member = static_cast<T>(n);
        return true;
    };
}

Apply Span(double Parsing::*member, double high, const char* highText) {
    return [member, high, highText](Parsing& p, const char* arg, const char* value, std::string& error) {
        double d = 0.0;
        if (!ToDouble(value, 0.0, high, d)) {
            error = std::string(arg) + " needs a number from 0 to " + highText + Given(value);
            return false;
        }
        p.*member = d;
        return true;
    };
}

Apply Path(std::string SimOptions::*member) {
    return [member](Parsing& p, const char* arg, const char* value, std::string& error) {
        if (value == nullptr || *value == '\0') {
            error = std::string(arg) + " needs a path";
            return false;
        }
        p.out.*member = value;
        return true;
    };
}

Apply Stop(std::vector<SimStop> SimOptions::*member, const char* example) {
    return [member, example](Parsing& p, const char* arg, const char* value, std::string& error) {
        SimStop stop;
        if (!ToStop(value, stop)) {
            error = std::string(arg) + " needs SERVER@DAY:HH:MM, for example " + example + Given(value);
            return false;
        }
        (p.out.*member).push_back(stop);
        return true;
    };
}

// An activity setting, applied in the order given: a later one wins.
Apply Activity(bool (*set)(SimActivity&, const char* value, std::string& error)) {
    return [set](Parsing& p, const char* arg, const char* value, std::string& error) {
        if (value == nullptr) {
            error = std::string(arg) + " needs a value, none given";
            return false;
        }
        return set(p.out.activity, value, error);
    };
}

bool Format(Parsing& p, const char*, const char* value, std::string& error) {
    if (value == nullptr || (std::strcmp(value, "text") != 0 && std::strcmp(value, "json") != 0)) {
        error = "--format needs text or json" + Given(value);
        return false;
    }
    p.out.json = !std::strcmp(value, "json");
    return true;
}

bool Start(Parsing& p, const char*, const char* value, std::string& error) {
    if (!ToDate(value, p.out.year, p.out.month, p.out.day)) {
        error = "--start needs a real date YYYY-MM-DD from 1971-01-01 to 9999-12-31" + Given(value);
        return false;
    }
    return true;
}

bool Without(Parsing& p, const char*, const char* value, std::string& error) {
    static const char* const kSiblings[] = {"CriticalManagerSystem", "VirtualRecSystem", "LetterSystem",
                                            "EventTimeSystem"};
    if (value == nullptr || std::none_of(std::begin(kSiblings), std::end(kSiblings),
                                         [&](const char* s) { return !std::strcmp(s, value); })) {
        error =
            "--without needs CriticalManagerSystem, VirtualRecSystem, LetterSystem or EventTimeSystem" + Given(value);
        return false;
    }
    std::vector<std::string>& without = p.out.without;
    if (std::find(without.begin(), without.end(), value) == without.end()) without.push_back(value);
    return true;
}

bool Store(Parsing& p, const char*, const char* value, std::string& error) {
    // The value may hold a password (refused when the store opens): a refusal never repeats it.
    if (value == nullptr || (std::strcmp(value, "memory") != 0 && std::strncmp(value, "redis://", 8) != 0)) {
        error = "--store needs memory or redis://[USER@]HOST:PORT[/PREFIX]";
        return false;
    }
    p.out.store = value;
    return true;
}

bool PasswordFile(Parsing& p, const char*, const char* value, std::string& error) {
    if (value == nullptr || *value == '\0') {
        error = "--store-password-file needs the path of a file holding the Redis password";
        return false;
    }
    p.out.storePasswordFile = value;
    return true;
}

constexpr long long kInt64Max = 0x7fffffffffffffffLL;

// Every option of the simulator; PrintSimHelp says what each does.
const std::vector<OptionRule>& OptionRules() {
    static const std::vector<OptionRule> rules = {
        {"--help", false, Flag(&SimOptions::help)},
        {"-h", false, Flag(&SimOptions::help)},
        {"--servers", true, Whole(&SimOptions::servers, 1, 64)},
        {"--players", true, Whole(&SimOptions::players, 0, 1'000'000)},
        {"--days", true, Span(&Parsing::days, 366.0, "366")},
        {"--hours", true, Span(&Parsing::hours, 366.0 * 24.0, "8784")},
        {"--step-minutes", true, Whole(&SimOptions::stepMinutes, 1, 1440)},
        {"--seed", true, Whole(&SimOptions::seed, 0, kInt64Max)},
        {"--start", true, Start},
        {"--top", true, Whole(&SimOptions::top, 1, 150)},
        {"--format", true, Format},
        {"--no-requests", false, Flag(&SimOptions::requests, false)},
        {"--timing", false, Flag(&SimOptions::timing)},
        {"--threads", false, Flag(&SimOptions::threads)},
        {"--echo", false, Flag(&SimOptions::echo)},
        {"--quiet", false, Flag(&SimOptions::quiet)},
        {"--progress", false, Flag(&SimOptions::progress)},
        {"--without", true, Without},
        {"--stop-server", true, Stop(&SimOptions::stops, "2@1:14:30")},
        {"--store", true, Store},
        {"--store-password-file", true, PasswordFile},
        {"--fresh", false, Flag(&SimOptions::fresh)},
        {"--processes", false, Flag(&SimOptions::processes)},
        {"--kill-server", true, Stop(&SimOptions::kills, "2@1:10:00")},
        {"--activity", true, Activity([](SimActivity& a, const char* v, std::string& e) { return a.Load(v, e); })},
        {"--rate", true, Activity([](SimActivity& a, const char* v, std::string& e) { return a.Set(v, e); })},
        {"--online", true,
         Activity([](SimActivity& a, const char* v, std::string& e) { return a.Set(std::string("online=") + v, e); })},
        {"--server-role", true, Whole(&SimOptions::serverRole, 1, 64)},
        {"--resume-ms", true, Whole(&SimOptions::resumeMs, 0, kInt64Max)},
        {"--library", true, Path(&SimOptions::library)},
        {"--resources", true, Path(&SimOptions::resources)},
        {"--rules", true, Path(&SimOptions::rules)},
        {"--html", true, Path(&SimOptions::html)},
    };
    return rules;
}
}  // namespace

bool ParseSimOptions(int argc, char** argv, SimOptions& out, std::string& error) {
    Parsing p{out};
    const std::vector<OptionRule>& rules = OptionRules();
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const auto rule =
            std::find_if(rules.begin(), rules.end(), [&](const OptionRule& r) { return !std::strcmp(r.name, arg); });
        if (rule == rules.end()) {
            error = std::string("unknown option ") + arg + " (see --help)";
            return false;
        }
        const char* value = rule->takesValue && i + 1 < argc ? argv[i + 1] : nullptr;
        if (!rule->apply(p, arg, value, error)) return false;
        if (rule->takesValue) ++i;
    }
    if (p.days >= 0.0 || p.hours >= 0.0)
        out.hours = (p.days > 0.0 ? p.days * 24.0 : 0.0) + (p.hours > 0.0 ? p.hours : 0.0);
    if (out.processes && out.store == "memory") {
        error = "--processes needs a store the processes share: --store redis://HOST:PORT[/PREFIX]";
        return false;
    }
    if (!out.kills.empty() && !out.processes) {
        error =
            "--kill-server needs --processes (it kills a server's process; --stop-server stops a server in this one)";
        return false;
    }
    if (!out.stops.empty() && out.processes) {
        error = "--stop-server stops a server inside this process; with --processes use --kill-server";
        return false;
    }
    for (const auto& [option, list] :
         {std::pair{"--stop-server", &out.stops}, std::pair{"--kill-server", &out.kills}}) {
        for (const SimStop& stop : *list) {
            if (stop.server > out.servers) {
                error = std::string(option) + " needs a server from 1 to " + std::to_string(out.servers) +
                        " (--servers), not \"" + std::to_string(stop.server) + "@" + std::to_string(stop.day) + ":" +
                        (stop.hour < 10 ? "0" : "") + std::to_string(stop.hour) + ":" + (stop.minute < 10 ? "0" : "") +
                        std::to_string(stop.minute) + "\"";
                return false;
            }
        }
    }
    if (!out.rules.empty() && !out.resources.empty()) {
        error = "--rules and --resources exclude each other (the rule file lives in the resource folder)";
        return false;
    }
    return true;
}

void PrintSimHelp(const char* program) {
    std::printf(
        "usage: %s [options]\n"
        "Builds a world of servers sharing one public data store, loads the game logic\n"
        "library into every server, logs the players in and lets them play for the\n"
        "simulated time, then prints the leaderboards, the prize letters, the nation\n"
        "report, the host's diagnostics and the work done.\n"
        "\n"
        "  --servers N        servers in the world (1-64, default 2)\n"
        "  --players P        players in the whole world, spread evenly (default 5000)\n"
        "  --days D           simulated days after login, fractions allowed\n"
        "  --hours H          simulated hours; added to --days (default: 3 days)\n"
        "  --step-minutes M   clock step between rounds of player activity (default 10)\n"
        "  --seed S           seed of every random choice; with one server (or without\n"
        "                     --threads) equal seeds give byte-identical reports (default 1)\n"
        "  --start YYYY-MM-DD simulated start date, at midnight (default 2024-01-01)\n"
        "  --rules FILE       win-streak rule file, copied into a temporary resource folder\n"
        "                     as Rule/PlayerTopAlwaysWin.ini (default: the simulator's own)\n"
        "  --top N            rows of each leaderboard in the report (1-150, default 10)\n"
        "  --format text|json the report as aligned text (default) or one JSON object\n"
        "  --html FILE        also write a page of the run to FILE: charts of its course\n"
        "                     hour by hour (lists, locks, stops, prizes, costs) and the\n"
        "                     report's tables; one file that fetches nothing when opened\n"
        "  --progress         a line per simulated day on standard error where no live\n"
        "                     progress line shows (not a terminal, or --quiet)\n"
        "  --timing           wall-clock figures in the report as well as on stderr\n"
        "  --threads          run each server on its own logic thread\n"
        "  --no-requests      clients ask for nothing during the run (the report still does)\n"
        "  --library PATH     the library to load (default: the one built alongside)\n"
        "  --resources DIR    resource folder holding the Rule\\ files, used as it is\n"
        "  --without SIBLING  the servers lack this sibling module (CriticalManagerSystem,\n"
        "                     VirtualRecSystem, LetterSystem or EventTimeSystem); repeatable\n"
        "  --store S          the public data store: memory (default) or\n"
        "                     redis://[USER@]HOST:PORT[/PREFIX] (the prefix names the\n"
        "                     world, default \"world\"; a password in it is refused: it\n"
        "                     comes from VOGAME_REDIS_PASSWORD or --store-password-file)\n"
        "  --store-password-file PATH  the Redis password, first line of a file readable\n"
        "                     by its owner only\n"
        "  --fresh            remove the world's keys from the store before the run\n"
        "  --processes        run each server in a process of its own (needs a Redis store)\n"
        "  --kill-server N@DAY:HH:MM  kill server N's process at its next locked rewrite\n"
        "                     after that simulated time (day 1 is the start date) and\n"
        "                     start it again an hour later; repeatable\n"
        "  --stop-server N@DAY:HH:MM\n"
        "                     stop server N, as a crash would, at its next locked rewrite\n"
        "                     after that simulated time (day 1 is the start date) and\n"
        "                     restart it a simulated hour later; the others take its lock\n"
        "                     over after the stale-lock bound (VOGAME_LOCK_STALE_MS, in\n"
        "                     milliseconds, default 10000); repeatable\n"
        "  --activity FILE    the activity model from a file of name = value lines\n"
        "  --rate NAME=VALUE  one rate of the activity model, per player-hour online (per\n"
        "                     server-hour for resource_gathering, nation_report_request);\n"
        "                     also online, session_hours, challenge_share; repeatable\n"
        "  --online SHARE     the share of each server's players online at once (0-1,\n"
        "                     default 1); see docs/simulator-guide.md for the model\n"
        "  --echo             echo the library's log and trace lines to standard error\n"
        "  --quiet            no progress line on a terminal\n"
        "  --help             this text\n"
        "\n"
        "The report goes to standard output; elapsed time and events per second go to\n"
        "standard error. Scenes of every server: 1 \"HomeScene\", 2 \"BaseScene\", 3\n"
        "\"BaseScene\" with the configuration \"ChallengeWaitScene\".\n",
        program);
}
