#include "SimActivity.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

// The model was first written as "one in n players per 10-minute step": n
// steps of 10 minutes make n/6 hours per action, so 6/n per player-hour. Kept
// in that form, the default counts come out exactly as before.
constexpr double OneIn(int n) { return 6.0 / n; }

// Below one part in 10^9 a product of the rates is taken as the whole number
// it stands for (a rate of 6/40 times 40 players is 6, not 5.999...).
constexpr double kWhole = 1e-9;

bool ToNumber(std::string_view text, double low, double high, double& out) {
    double v = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size() || !(v >= low && v <= high)) return false;
    out = v;
    return true;
}

std::string Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

std::string Shortest(double v) {
    char text[32];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, v);
        if (std::strtod(text, nullptr) == v) break;
    }
    return text;
}

}  // namespace

const std::vector<SimAction>& SimActivity::Actions() {
    static const std::vector<SimAction> actions = {
        {"level", OneIn(40), true, "a level gained in quests and fights"},
        {"guild_points", OneIn(25), true, "guild work, for a player in a guild"},
        {"guild_change", OneIn(500), true, "joining, leaving or changing guild"},
        {"castle_points", OneIn(100), true, "castle duty, for a player with a castle"},
        {"castle_change", OneIn(1000), true, "a castle changing hands"},
        {"camp_change", OneIn(1000), true, "a change of camp"},
        {"nation_change", OneIn(3000), true, "a change of nation"},
        {"peerage", OneIn(50), true, "peerage experience (a rank every thousand)"},
        {"introduction_done", OneIn(100), true, "a newcomer finishing the introduction (GutOver)"},
        {"player_list_request", OneIn(500), true, "asking for the player list (140911)"},
        {"compliment", OneIn(20), true, "charm from compliments, duets, festivals"},
        {"gift", OneIn(40), true, "a gift received (gift count and charm)"},
        {"charm_list_request", OneIn(500), true, "asking for the charm list (140912)"},
        {"fight", OneIn(60), true, "a fight: the winner's streak rises, the loser's breaks"},
        {"win_streak_list_request", OneIn(1000), true, "asking for the win-streak list (150516)"},
        {"resource_gathering", 30.0, false, "nation resources gathered (counted on server 1 only)"},
        {"nation_report_request", 1.2, false, "asking for the nation report (73003)"},
    };
    return actions;
}

SimActivity::SimActivity() {
    for (const SimAction& a : Actions()) rates_.push_back(a.perHour);
}

namespace {
std::size_t IndexOf(std::string_view action) {
    const auto& actions = SimActivity::Actions();
    for (std::size_t i = 0; i < actions.size(); ++i)
        if (action == actions[i].name) return i;
    return actions.size();
}
}  // namespace

double SimActivity::Rate(std::string_view action) const { return rates_.at(IndexOf(action)); }

std::size_t SimActivity::PlayerTimes(std::string_view action, std::size_t onlinePlayers, int stepMinutes) const {
    const double rate = Rate(action);
    if (rate <= 0.0) return 0;
    const double times = static_cast<double>(onlinePlayers) * rate * stepMinutes / 60.0;
    return std::max<std::size_t>(1, static_cast<std::size_t>(std::floor(times + kWhole)));
}

std::size_t SimActivity::ServerTimes(std::string_view action, int stepMinutes, double& chanceOfOneMore) const {
    const double times = Rate(action) * stepMinutes / 60.0;
    const double whole = std::floor(times + kWhole);
    chanceOfOneMore = times - whole > kWhole ? times - whole : 0.0;
    return static_cast<std::size_t>(whole);
}

bool SimActivity::Set(std::string_view assignment, std::string& error) {
    const std::size_t eq = assignment.find('=');
    const std::string name = Trim(assignment.substr(0, eq == std::string_view::npos ? 0 : eq));
    const std::string value = eq == std::string_view::npos ? std::string() : Trim(assignment.substr(eq + 1));
    double v = 0.0;
    if (name == "online") {
        if (!ToNumber(value, 0.0, 1.0, v) || v <= 0.0) {
            error = "online needs a share above 0 and at most 1, not \"" + value + "\"";
            return false;
        }
        online = v;
    } else if (name == "session_hours") {
        if (!ToNumber(value, 0.01, 8784.0, v)) {
            error = "session_hours needs a number of hours from 0.01 to 8784, not \"" + value + "\"";
            return false;
        }
        sessionHours = v;
    } else if (name == "challenge_share") {
        if (!ToNumber(value, 0.0, 1.0, v)) {
            error = "challenge_share needs a share from 0 to 1, not \"" + value + "\"";
            return false;
        }
        challengeShare = v;
    } else {
        const std::size_t i = IndexOf(name);
        if (i == Actions().size()) {
            error = "unknown activity \"" + name + "\" (the guide lists them: docs/simulator-guide.md)";
            return false;
        }
        if (!ToNumber(value, 0.0, 1e6, v)) {
            error = name + " needs a rate per hour from 0 to 1000000, not \"" + value + "\"";
            return false;
        }
        rates_[i] = v;
    }
    return true;
}

bool SimActivity::Load(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the activity file " + path;
        return false;
    }
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        const std::string text = Trim(line);
        if (text.empty() || text.front() == '#') continue;
        if (!Set(text, error)) {
            error = path + ":" + std::to_string(number) + ": " + error;
            return false;
        }
    }
    return true;
}

std::vector<std::string> SimActivity::Arguments() const {
    const SimActivity defaults;
    std::vector<std::string> args;
    const auto add = [&](const std::string& name, double v, double d) {
        if (v != d) args.insert(args.end(), {"--rate", name + "=" + Shortest(v)});
    };
    for (std::size_t i = 0; i < rates_.size(); ++i) add(Actions()[i].name, rates_[i], defaults.rates_[i]);
    add("online", online, defaults.online);
    add("session_hours", sessionHours, defaults.sessionHours);
    add("challenge_share", challengeShare, defaults.challengeShare);
    return args;
}

std::string SimActivity::Text() const {
    std::string text;
    for (std::size_t i = 0; i < rates_.size(); ++i)
        text += std::string(Actions()[i].name) + " = " + Shortest(rates_[i]) + "\n";
    text += "online = " + Shortest(online) + "\n";
    text += "session_hours = " + Shortest(sessionHours) + "\n";
    text += "challenge_share = " + Shortest(challengeShare) + "\n";
    return text;
}
