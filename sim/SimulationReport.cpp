// The report of a run: the world, the work done, the store, the server
// processes and the host's diagnostics, built from what the run counted.
#include "Simulation.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "SimListCheck.h"
#include "SimLists.h"
#include "SimProcesses.h"
#include "SimReport.h"
#include "SimStops.h"
#include "SimStore.h"
#include "SimTimeline.h"
#include "host/HostClock.h"

void Simulation::ReportWorld(SimReport& report) {
    ReportSection& s = report.Section("World", "world");
    s.Number("servers", options_.servers);
    s.Number("players", options_.players);
    char span[64];
    std::snprintf(span, sizeof span, "%g hours from %04d-%02d-%02d 00:00, steps of %d minutes", options_.hours,
                  options_.year, options_.month, options_.day, options_.stepMinutes);
    s.TextOnly("simulated", span);
    s.JsonOnly("start", IsoTimeText(HostClock::MsOf(options_.year, options_.month, options_.day)));
    s.JsonOnly("hours", options_.hours);
    s.JsonOnly("step_minutes", options_.stepMinutes);
    s.Number("seed", static_cast<std::int64_t>(options_.seed));
    s.TextOnly("client requests", options_.requests ? "during the run" : "none during the run");
    s.JsonOnly("client_requests", options_.requests);
    s.TextOnly("server threads", options_.threads ? "one per server (interleaving not reproducible)" : "none");
    s.JsonOnly("server_threads", options_.threads);
    s.TextOnly("rule file", options_.rules.empty()
                                ? (options_.resources.empty() ? "the simulator's own" : "in --resources")
                                : options_.rules);
    s.JsonOnly("rule_file", {{"source", !options_.rules.empty()       ? "rules_option"
                                        : !options_.resources.empty() ? "resources_folder"
                                                                      : "simulator"},
                             {"path", options_.rules.empty() ? Json() : Json(options_.rules)}});
    s.JsonOnly("top_rows", options_.top);
    if (!options_.without.empty()) {
        std::string names;
        for (const std::string& name : options_.without) names += (names.empty() ? "" : ", ") + name;
        s.TextOnly("siblings left out", names);
    }
    s.JsonOnly("siblings_left_out", options_.without);
    // The modules: one line when every server started all of them, else each failure.
    Json modules = {{"names", Json::array()}, {"all_started", true}, {"failures", Json::array()}};
    std::vector<std::string> failures;
    std::string names;
    for (std::size_t i = 0; i < world_->ServerCount(); ++i) {
        Server& server = world_->server(i);
        for (const ModuleStartResult& m : server.Modules()) {
            if (i == 0) {
                names += (names.empty() ? "" : ", ") + m.name;
                modules["names"].push_back(m.name);
            }
            if (m.Started()) continue;
            failures.push_back("server " + std::to_string(server.Number()) + ": " + m.name + " Init " +
                               (m.init ? "true" : "false") + ", AfterInit " +
                               (m.afterInitCalled ? (m.afterInit ? "true" : "false") : "not called"));
            modules["failures"].push_back({{"server", server.Number()},
                                           {"module", m.name},
                                           {"init", m.init},
                                           {"after_init", m.afterInitCalled ? Json(m.afterInit) : Json()}});
        }
    }
    for (const Json& f : figures_) {
        for (const Json& m : f["modules"]) {
            if (f["server"] == 1 && modules["names"].size() < f["modules"].size()) {
                names += (names.empty() ? "" : ", ") + m["name"].get<std::string>();
                modules["names"].push_back(m["name"]);
            }
            if (m["init"] == true && m["after_init"] == true) continue;
            const int server = f["server"].get<int>();
            const std::string name = m["name"].get<std::string>();
            failures.push_back("server " + std::to_string(server) + ": " + name + " did not start");
            modules["failures"].push_back(
                {{"server", server}, {"module", name}, {"init", m["init"]}, {"after_init", m["after_init"]}});
        }
    }
    modules["all_started"] = failures.empty();
    s.TextOnly("modules", failures.empty() ? "all started on every server (" + names + ")"
                                           : std::to_string(failures.size()) + " failed to start");
    s.JsonOnly("modules", std::move(modules));
    if (!failures.empty()) {
        ReportTable& t = s.Table("Modules that failed to start", "");
        t.Column("failure");
        for (const std::string& f : failures) t.AddRow() = {f};
    }
}

void Simulation::ReportWork(SimReport& report, double seconds) {
    const WorkCounters& w = work_;
    const std::uint64_t changes = w.changes, callbacks = w.callbacks, kernelCalls = w.kernelCalls,
                        messages = w.messages, timed = w.timed, lockWaits = w.lockWaits;
    std::map<int, std::uint64_t> requests = w.requests;
    std::uint64_t allRequests = 0;
    for (const auto& [id, n] : requests) allRequests += n;
    // Re-sorts come from the hourly heartbeats of the lists that have one (one
    // per server each, armed at start-up with a first re-sort), every request
    // for a list without one (the win-streak list), and every daily event that
    // finds the day unrewarded.
    const auto hoursRun = static_cast<std::uint64_t>(steps_ * options_.stepMinutes / 60);
    std::uint64_t hourlyLists = 0, resortRequests = 0;
    for (const TopList::RankedList* list : TopList::kRankedLists) {
        if (list->heartBeat != nullptr)
            ++hourlyLists;
        else if (const auto it = requests.find(list->queryMessage); it != requests.end())
            resortRequests += it->second;
    }
    const auto n = [](std::uint64_t v) { return static_cast<std::int64_t>(v); };

    ReportSection& s = report.Section("Work done", "work_done");
    s.Number("logins", n(logins_));
    s.Number("property changes", n(changes));
    s.Number("watch callbacks run", n(callbacks));
    s.Number("list requests", n(allRequests));
    Json byMessage = Json::array();
    for (const auto& [id, count] : requests) {
        s.TextOnly("  message " + std::to_string(id), std::to_string(count));
        byMessage.push_back({{"message", id}, {"requests", count}});
    }
    s.JsonOnly("requests_by_message", std::move(byMessage));
    s.Number("replies sent", n(messages));
    s.Number("re-sorts by the hourly heartbeats",
             n(hourlyLists * static_cast<std::uint64_t>(options_.servers) * (hoursRun + 1)));
    s.Number("re-sorts by win-streak list requests", n(resortRequests));
    s.Number("timed events fired", n(timed));
    s.Number("lock waits (failed compare-and-set tries)", n(lockWaits), "lock_waits");
    s.Number("lock waits per change", changes ? static_cast<double>(lockWaits) / static_cast<double>(changes) : 0.0, 4);
    s.Number("kernel calls", n(kernelCalls));
    ReportTable& t = s.Table("Per leaderboard", "lists");
    t.Column("list")
        .Column("rows", true)
        .Column("locked rewrites", true)
        .Column("lock waits", true)
        .Column("lock at the end", false, "lock_held");
    for (std::size_t i = 0; i < kSimListCount; ++i) {
        const ListInvariants::ListShape& l = ListInvariants::kAllLists[i];
        t.AddRow() = {SimListName(l), w.rows[i], n(w.rewrites[i]), n(w.listWaits[i]),
                      ReportCell(w.lockHeld[i] ? "HELD" : "free", w.lockHeld[i])};
    }
    stops_->Report(s);

    const std::uint64_t events = logins_ + changes + allRequests;
    const double eventRate = seconds > 0 ? static_cast<double>(events) / seconds : 0.0;
    const double changeRate = seconds > 0 ? static_cast<double>(changes) / seconds : 0.0;
    char line[256];
    std::snprintf(line, sizeof line,
                  "elapsed %.2f s; %llu events (logins, property changes, list requests): %.0f events/s; "
                  "%.0f property changes/s",
                  seconds, static_cast<unsigned long long>(events), eventRate, changeRate);
    std::fprintf(stderr, "%s\n", line);
    // Wall-clock figures only when asked for: they differ run to run.
    if (options_.timing) {
        const auto fixed = [](double v, int decimals) {
            char text[64];
            std::snprintf(text, sizeof text, "%.*f", decimals, v);
            return std::string(text);
        };
        s.TextOnly("elapsed seconds", fixed(seconds, 2));
        s.TextOnly("events per second", fixed(eventRate, 0));
        s.TextOnly("property changes per second", fixed(changeRate, 0));
    }
    s.JsonOnly("timing", options_.timing ? Json{{"elapsed_seconds", std::round(seconds * 100.0) / 100.0},
                                                {"events_per_second", std::round(eventRate)},
                                                {"property_changes_per_second", std::round(changeRate)}}
                                         : Json());
}

void Simulation::ReportDiagnostics(SimReport& report) {
    ReportSection& s = report.Section("Host diagnostic log", "host_diagnostic_log");
    std::string text = world_->DiagnosticsText();
    for (const Json& f : figures_)
        for (const Json& line : f["diagnostics"])
            text += "server " + std::to_string(f["server"].get<int>()) + ": " + line.get<std::string>() + "\n";
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    s.JsonOnly("line_count", lines.size());
    QuoteFirstLines(s, "", lines);
}

void Simulation::ReportStore(SimReport& report) {
    // The text names the store only when it is not the default one, so the
    // default run's text stays as it was.
    ReportSection& s = report.Section(options_.store == "memory" ? "" : "Public data store", "store");
    s.Text("store", options_.store == "memory" ? "memory" : "redis", "kind");
    s.Text("address", SimStoreName(options_));
    // Round trips of every process that used the store, by operation.
    std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> trips;
    std::uint64_t reconnects = 0, failed = 0;
    std::vector<Json> all = {SimStoreTrips(world_->Store())};
    for (const Json& f : figures_) all.push_back(f["store"]);
    for (const Json& t : all) {
        for (const auto& [op, pair] : t["operations"].items()) {
            trips[op].first += pair[0].get<std::uint64_t>();
            trips[op].second += pair[1].get<std::uint64_t>();
        }
        reconnects += t["reconnects"].get<std::uint64_t>();
        failed += t["failed_calls"].get<std::uint64_t>();
    }
    std::uint64_t calls = 0, roundTrips = 0;
    ReportTable& t = s.Table("Round trips by operation", "round_trips");
    t.Column("operation").Column("calls", true).Column("round trips", true, "round_trips");
    for (const auto& [op, pair] : trips) {
        t.AddRow() = {op, static_cast<std::int64_t>(pair.first), static_cast<std::int64_t>(pair.second)};
        calls += pair.first;
        roundTrips += pair.second;
    }
    s.Number("calls to the store", static_cast<std::int64_t>(calls), "calls");
    s.Number("round trips", static_cast<std::int64_t>(roundTrips), "round_trip_total");
    s.Number("reconnects", static_cast<std::int64_t>(reconnects));
    s.Number("calls that failed", static_cast<std::int64_t>(failed), "failed_calls");
}

void Simulation::ReportProcesses(SimReport& report) {
    ReportSection& s = report.Section(Parent() ? "Server processes" : "", "processes");
    if (!Parent()) {
        s.TextOnly("processes", "none (every server in this process)");
        s.absent = true;
        return;
    }
    s.Number("processes started", processes_->Started(), "started");
    std::int64_t kills = 0, restarts = 0;
    ReportTable& events = s.Table("Kills and restarts", "events");
    events.Column("time").Column("server", true).Column("event").Column("detail");
    for (const SimProcessEvent& e : processes_->Events()) {
        (e.what == "killed" ? kills : restarts) += 1;
        events.AddRow() = {ReportCell(DateTimeText(e.ms), IsoTimeText(e.ms)), e.server, e.what, e.detail};
    }
    s.Number("kills", kills);
    s.Number("restarts", restarts);
}
