#include "SimStops.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "SimListCheck.h"
#include "SimLists.h"
#include "SimReport.h"
#include "host/ListInvariants.h"

namespace {

constexpr std::int64_t kRestartAfterMs = 3'600'000;
// The stop falls at one of the first calls inside the lock, chosen from the
// seed: every locked rewrite makes more, so it is the next one that stops.
constexpr std::uint64_t kLatestCallInside = 6;

// A takeover the library logged: the lock's name and the wait before it.
struct Takeover {
    std::string lock;
    long long waitedMs = 0;
};

// "... lock <name> of the list <record> was held without a release for <n> ms; taken over ..."
std::vector<Takeover> Takeovers(World& world, const std::vector<std::string>& otherLogs) {
    std::vector<const std::string*> lines;
    for (std::size_t i = 0; i < world.ServerCount(); ++i)
        for (const std::string& line : world.server(i).Kernel().Logs()) lines.push_back(&line);
    for (const std::string& line : otherLogs) lines.push_back(&line);
    std::vector<Takeover> found;
    for (const std::string* line : lines) {
        if (line->find("taken over") == std::string::npos) continue;
        const std::size_t lock = line->find("lock ");
        const std::size_t of = line->find(" of the list ");
        const std::size_t forAt = line->find(" for ");
        if (lock == std::string::npos || of == std::string::npos || forAt == std::string::npos) continue;
        found.push_back({line->substr(lock + 5, of - lock - 5), std::atoll(line->c_str() + forAt + 5)});
    }
    return found;
}

}  // namespace

SimStops::SimStops(const SimOptions& options, World& world, std::vector<SimServerState>& servers, std::int64_t startMs)
    : options_(options), world_(world), servers_(servers), startMs_(startMs) {
    std::mt19937_64 random(options.seed ^ 0x5709'5e7e'0000'0000ULL);
    for (const SimStop& asked : options.stops) {
        Stop stop;
        stop.asked = asked;
        stop.callInside = 1 + random() % kLatestCallInside;
        stops_.push_back(stop);
    }
}

void SimStops::BeforeStep(std::int64_t nowMs) {
    for (Stop& stop : stops_) {
        Server& server = world_.server(static_cast<std::size_t>(stop.asked.server - 1));
        if (stop.stoppedMs && !stop.restartedMs && nowMs >= *stop.stoppedMs + kRestartAfterMs) Restart(stop, nowMs);
        // A server stopped by an earlier stop is armed once it is back.
        if (!stop.armed && nowMs >= startMs_ + stop.asked.OffsetMs() && !server.Halted()) {
            server.HaltAt(HaltTrigger::InsideLock("", stop.callInside));
            stop.armed = true;
        }
    }
}

void SimStops::AfterStep(std::int64_t nowMs) {
    for (Stop& stop : stops_) {
        Server& server = world_.server(static_cast<std::size_t>(stop.asked.server - 1));
        if (stop.armed && !stop.stoppedMs && server.Halted()) {
            stop.stoppedMs = nowMs;
            stop.at = server.Kernel().HaltedAt();
        }
    }
}

void SimStops::Finish(std::int64_t nowMs) {
    for (Stop& stop : stops_) {
        if (stop.stoppedMs && !stop.restartedMs) Restart(stop, nowMs);
        // Armed but never reached a locked rewrite: disarmed, so the report's own
        // requests run.
        if (stop.armed && !stop.stoppedMs) {
            world_.server(static_cast<std::size_t>(stop.asked.server - 1)).HaltAt(HaltTrigger{});
        }
    }
}

void SimStops::Restart(Stop& stop, std::int64_t nowMs) {
    SimServerState& state = servers_[static_cast<std::size_t>(stop.asked.server - 1)];
    Server& server = *state.server;
    server.Stop();
    if (!server.Start()) {
        std::fprintf(stderr, "server %d: restart failed: %s\n", server.Number(), server.Error().c_str());
        return;
    }
    // Its clock stood still while it was stopped.
    server.Kernel().AdvanceTo(nowMs);
    server.SendStartEvents();
    for (std::size_t i = 0; i < state.players.size(); ++i)
        if (!state.players[i].IsNull()) state.LogIn(i);
    stop.restartedMs = nowMs;
}

void SimStops::Killed(const SimStop& asked, std::optional<std::int64_t> stoppedMs, std::string at,
                      std::optional<std::int64_t> restartedMs) {
    Stop stop;
    stop.asked = asked;
    stop.armed = true;
    stop.stoppedMs = stoppedMs;
    stop.at = std::move(at);
    stop.restartedMs = restartedMs;
    stops_.push_back(std::move(stop));
}

void SimStops::AddLostPlayers(const std::string& record, const std::string& lost) {
    if (lost.empty()) return;
    std::string& all = lostElsewhere_[record];
    all += (all.empty() ? "" : "; ") + lost;
}

void SimStops::AddTakeoverLines(const std::vector<std::string>& lines) {
    otherLogs_.insert(otherLogs_.end(), lines.begin(), lines.end());
}

void SimStops::Report(ReportSection& s) const {
    const std::vector<Takeover> takeovers = Takeovers(world_, otherLogs_);
    long long longest = -1;
    for (const Takeover& t : takeovers) longest = std::max(longest, t.waitedMs);
    const bool text = !stops_.empty();

    Json stopped = Json::array();
    for (const Stop& stop : stops_) {
        stopped.push_back({{"server", stop.asked.server},
                           {"asked_from", IsoTimeText(startMs_ + stop.asked.OffsetMs())},
                           {"stopped", stop.stoppedMs ? Json(IsoTimeText(*stop.stoppedMs)) : Json()},
                           {"at", stop.stoppedMs ? Json(stop.at) : Json()},
                           {"restarted", stop.restartedMs ? Json(IsoTimeText(*stop.restartedMs)) : Json()}});
    }
    Json lists = Json::array();
    std::vector<std::pair<std::string, std::string>> listLines;
    for (const ListInvariants::ListShape& list : ListInvariants::kAllLists) {
        std::string fault = SimListFault(world_.Store(), list, servers_);
        if (const auto lost = lostElsewhere_.find(list.record); fault.empty() && lost != lostElsewhere_.end())
            fault = lost->second;
        const auto n =
            std::count_if(takeovers.begin(), takeovers.end(), [&](const Takeover& t) { return t.lock == list.lock; });
        lists.push_back({{"list", SimListName(list)},
                         {"takeovers", n},
                         {"whole", fault.empty()},
                         {"fault", fault.empty() ? Json() : Json(fault)}});
        listLines.emplace_back(std::string("  ") + SimListName(list) + " list",
                               std::to_string(n) + " taken over, " + (fault.empty() ? "whole" : "NOT WHOLE: " + fault));
    }
    s.JsonOnly("locks", {{"stopped_servers", std::move(stopped)},
                         {"takeovers", takeovers.size()},
                         {"longest_wait_ms", longest >= 0 ? Json(longest) : Json()},
                         {"lists", std::move(lists)}});
    if (!text) return;
    char wait[64] = "none";
    // Tenths of a second: the wait is wall-clock time, so a report compares alike run after run.
    if (longest >= 0) std::snprintf(wait, sizeof wait, "%.1f s", static_cast<double>(longest) / 1000.0);
    s.TextOnly("lock takeovers", std::to_string(takeovers.size()));
    for (auto& [name, value] : listLines) s.TextOnly(std::move(name), std::move(value));
    s.TextOnly("longest wait before a takeover", wait);
    ReportTable& t = s.Table("Stopped servers", "");
    t.Column("server", true).Column("asked from").Column("stopped").Column("at").Column("restarted");
    for (const Stop& stop : stops_) {
        t.AddRow() = {stop.asked.server, DateTimeText(startMs_ + stop.asked.OffsetMs()),
                      stop.stoppedMs ? DateTimeText(*stop.stoppedMs) : "never", stop.stoppedMs ? stop.at : "",
                      stop.restartedMs ? DateTimeText(*stop.restartedMs) : "-"};
    }
}
