#include "Simulation.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <iostream>
#include <optional>

#include "SimHtmlPage.h"
#include "SimProcesses.h"
#include "SimReport.h"
#include "SimStore.h"
#include "Utility/PlatformChildProcess.h"
#include "SimListCheck.h"
#include "SimStops.h"
#include "SimTimeline.h"
#include "SimWorldLoss.h"
#include "host/HostClock.h"
#include "Utility/Platform.h"

namespace {
// The leaderboards whose rewrites are counted, with the lock property beside each record.
struct ListLock {
    const char* list;
    const char16_t* space;
    const char* record;
    const char* lock;
};
constexpr ListLock kLists[3] = {
    {"player", u"Pub_PlayerTopInfo", "PlayerToplistRec", "PlayerToplistRecPubLock"},
    {"charm", u"Pub_CharmTopInfo", "CharmTopRec", "CharmTopRecPubLock"},
    {"win streak", u"Pub_TopAlwaysWin", "PlayerTopAlwaysWinRec", "PlayerTopAlwaysWinRecPubLock"},
};

// Player names: two syllables, then a number once the pairs run out; unique in the world.
std::u16string PlayerName(int global) {
    static const char* const first[] = {"Al", "Bran", "Cor", "Da", "El", "Fen", "Gar", "Hal", "Is", "Jor", "Ka", "Lor",
                                        "Mor", "Nim", "Or", "Per", "Quel", "Ros", "Sel", "Tor", "Ul", "Val", "Wyn", "Zar"};
    static const char* const second[] = {"ric", "wen", "dor", "mir", "ane", "oth", "ith", "gar", "elle", "uin", "as",
                                         "ka", "ion", "ara", "eth", "ko", "mund", "is", "wyn", "ra"};
    constexpr int kFirst = sizeof first / sizeof first[0], kSecond = sizeof second / sizeof second[0];
    const int pair = global % (kFirst * kSecond);
    std::string name = std::string(first[pair % kFirst]) + second[pair / kFirst];
    if (global >= kFirst * kSecond) name += std::to_string(global / (kFirst * kSecond) + 1);
    return std::u16string(name.begin(), name.end());
}
}  // namespace

Simulation::Simulation(const SimOptions& options) : options_(options) {}

Simulation::~Simulation() {
    if (world_) world_->Store().SetReleaseHook(nullptr);
    world_.reset();
    if (ownResourceDir_) {
        std::error_code ec;
        std::filesystem::remove_all(resourceDir_, ec);
    }
}

int Simulation::Run() {
    auto& extensions = SimExtensions();
    std::stable_sort(extensions.begin(), extensions.end(),
                     [](const SimExtension* a, const SimExtension* b) { return a->order < b->order; });
    std::string error;
    if (!options_.html.empty() && options_.serverRole == 0 && !CheckSimPage(options_.html, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    if (!PrepareResources()) return 2;
    std::unique_ptr<PubDataStore> store = OpenSimStore(options_, options_.fresh && options_.serverRole == 0, error);
    if (store == nullptr) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    if (!StartServers(std::move(store))) return 2;
    run_ = std::make_unique<SimRun>(
        SimRun{*world_, options_, servers_, HostClock::MsOf(options_.year, options_.month, options_.day)});
    stops_ = std::make_unique<SimStops>(options_, *world_, servers_, run_->startMs);
    timeline_ = std::make_unique<SimTimeline>(world_->Store(), run_->startMs, options_.servers);
    worldLoss_ = std::make_unique<SimWorldLoss>(world_->Store(), static_cast<std::size_t>(options_.servers));
    for (const SimExtension* e : extensions)
        if (e->start) e->start(*run_);
    if (Parent()) {
        if (!RunProcesses()) return 2;
        run_->gathered = &gathered_;
    } else {
        CreatePlayers();
        if (options_.serverRole != 0) return RunServerRole();
        RunClock();
    }
    CountWork();  // before the report's own requests
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    SimReport report;
    ReportWorld(report);
    for (const SimExtension* e : extensions)
        if (e->report) e->report(*run_, report);
    ReportDiagnostics(report);
    ReportStore(report);
    ReportProcesses(report);
    ReportWork(report, seconds);
    SimCostMeter costs;
    for (const SimServerState& state : servers_) costs.Merge(state.costs);
    for (const Json& f : figures_) costs.MergeJson(f.value("costs", Json()));
    timeline_->Report(report, costs, options_.store != "memory");
    if (options_.json) {
        report.PrintJson(stdout);
    } else {
        report.PrintText(stdout);
    }
    std::fflush(stdout);
    if (!options_.html.empty() && !WriteSimPage(options_.html, report, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }

    bool allStarted = true;
    for (std::size_t i = 0; i < world_->ServerCount(); ++i)
        allStarted = allStarted && world_->server(i).AllModulesStarted();
    bool clean = world_->DiagnosticsText().empty();
    for (const Json& f : figures_) {
        for (const Json& m : f["modules"]) allStarted = allStarted && m["init"] == true && m["after_init"] == true;
        clean = clean && f["diagnostics"].empty();
    }
    return allStarted && clean ? 0 : 1;
}

bool Simulation::PrepareResources() {
    resourceDir_ = options_.resources;
    if (!resourceDir_.empty()) {
        if (resourceDir_.back() != '/') resourceDir_ += '/';
        return true;
    }
    const std::string dir = Platform::MakeTempFolder("vogame-sim-");
    if (dir.empty()) {
        std::fprintf(stderr, "cannot make a temporary resource folder\n");
        return false;
    }
    resourceDir_ = dir + "/";
    ownResourceDir_ = true;
    for (const SimExtension* e : SimExtensions()) {
        std::string error;
        if (e->writeResources && !e->writeResources(options_, resourceDir_, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return false;
        }
    }
    return true;
}

bool Simulation::StartServers(std::unique_ptr<PubDataStore> store) {
    ServerOptions so;
    so.libraryPath = options_.library;
    so.resourcePath = resourceDir_;
    so.echoLogs = options_.echo && options_.serverRole == 0;  // a server process's output is its parent's
    const auto lacks = [&](const char* name) {
        return std::find(options_.without.begin(), options_.without.end(), name) != options_.without.end();
    };
    so.withCriticalManager = !lacks("CriticalManagerSystem");
    so.withVirtualRec = !lacks("VirtualRecSystem");
    so.withLetter = !lacks("LetterSystem");
    so.withEventTime = !lacks("EventTimeSystem");
    world_ = std::make_unique<World>(Parent() ? 0 : options_.servers, so, std::move(store));
    world_->SetClock(options_.year, options_.month, options_.day);
    if (options_.resumeMs != 0)
        for (std::size_t i = 0; i < world_->ServerCount(); ++i) world_->server(i).Kernel().AdvanceTo(options_.resumeMs);
    hooked_ = world_->Store().SetReleaseHook([this](PubDataStore&, int, std::string_view property) {
        for (int i = 0; i < 3; ++i)
            if (property == kLists[i].lock) rewrites_[i].fetch_add(1, std::memory_order_relaxed);
    });
    servers_.resize(world_->ServerCount());
    for (std::size_t i = 0; i < world_->ServerCount(); ++i) {
        Server& s = world_->server(i);
        servers_[i].server = &s;
        servers_[i].activity = &options_.activity;
        servers_[i].stepMinutes = options_.stepMinutes;
        if (!Local(i)) continue;
        servers_[i].ask = options_.requests;
        servers_[i].costs.CountTripsWith(SimStoreRoundTrips(world_->Store()));
        servers_[i].rng.seed(options_.seed * 1'000'003u + static_cast<std::uint64_t>(s.Number()));
        s.Kernel().SetInboxLimit(2);  // the report reads the newest reply only
        s.CreateScene(1, "HomeScene");
        s.CreateScene(2, "BaseScene");
        s.CreateScene(3, "BaseScene", "ChallengeWaitScene");
        if (!s.Start()) {
            std::fprintf(stderr, "server %d: %s\n", s.Number(), s.Error().c_str());
            return false;
        }
        s.SendStartEvents();
    }
    return true;
}

void Simulation::CreatePlayers() {
    const int n = static_cast<int>(world_->ServerCount());
    for (int s = 0; s < n; ++s) {
        if (!Local(static_cast<std::size_t>(s))) continue;
        SimServerState& state = servers_[static_cast<std::size_t>(s)];
        const int count = options_.players / n + (s < options_.players % n ? 1 : 0);
        state.players.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            const std::u16string name = PlayerName(i * n + s);
            const int scene = i % 10 == 9 ? 3 : 2;  // every tenth player waits in the challenge scene
            const std::size_t index = state.players.size();
            state.players.push_back({});
            state.names.push_back(name);
            state.scenes.push_back(scene);
            PlayerProperties properties;
            for (const SimExtension* e : SimExtensions())
                if (e->newPlayer) e->newPlayer(state, index, properties);
            if (!state.StartsOnline(index)) {
                state.KeepOffline(index, std::move(properties));
                continue;
            }
            const ObjectId player = state.server->CreatePlayer(name, scene, properties);
            state.players[index] = player;
            if (player.IsNull()) continue;  // cannot happen with unique names; the report would show it
            state.LogIn(index);
            ++logins_;
        }
    }
}

void Simulation::Progress(std::int64_t step, std::int64_t steps, bool last) {
    const std::int64_t stepMs = static_cast<std::int64_t>(options_.stepMinutes) * 60'000;
    if (options_.quiet || !Platform::IsTerminal(stderr)) {
        // Where no live line shows, --progress writes one line per simulated day
        // (the last one, however short, at the end), so a long run is not silent.
        if (!options_.progress) return;
        const std::int64_t dayMs = 86'400'000;
        const std::int64_t days = (steps * stepMs + dayMs - 1) / dayMs;
        for (const std::int64_t done = last ? days : step * stepMs / dayMs; daysShown_ < done;) {
            ++daysShown_;
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - created_).count();
            std::fprintf(stderr, "simulating: day %lld of %lld done, %d servers, %d players, %.0f s\n",
                         static_cast<long long>(daysShown_), static_cast<long long>(days), options_.servers,
                         options_.players, seconds);
            std::fflush(stderr);
        }
        return;
    }
    if (step % std::max<std::int64_t>(1, steps / 200) != 0 && !last) return;
    if (last) {
        std::fprintf(stderr, "\r%60s\r", "");
        return;
    }
    const std::int64_t ms = stepMs * step;
    std::fprintf(stderr, "\rsimulating: day %lld %02lld:%02lld (%3lld%%), %d servers, %d players",
                 static_cast<long long>(ms / 86'400'000 + 1), static_cast<long long>(ms / 3'600'000 % 24),
                 static_cast<long long>(ms / 60'000 % 60), static_cast<long long>(steps ? 100 * step / steps : 100),
                 options_.servers, options_.players);
    std::fflush(stderr);
}

void Simulation::RunClock() {
    if (options_.threads)
        for (std::size_t i = 0; i < world_->ServerCount(); ++i) world_->server(i).StartThread();
    const std::int64_t stepMs = static_cast<std::int64_t>(options_.stepMinutes) * 60'000;
    steps_ = static_cast<std::int64_t>(options_.hours * 3'600'000.0 / static_cast<double>(stepMs) + 0.5);
    SampleTimeline(run_->startMs, false, true);
    for (std::int64_t step = 0; step < steps_; ++step) {
        Progress(step, steps_, false);
        const std::int64_t nowMs = run_->startMs + step * stepMs;
        stops_->BeforeStep(nowMs);
        for (std::size_t i = 0; i < servers_.size(); ++i) {
            world_->server(i).Post([this, i, stepMs](Server& server) {
                worldLoss_->SetUpAgainIfLost(i, server);
                for (const SimExtension* e : SimExtensions())
                    if (e->act) e->act(servers_[i], server.Kernel().Clock().NowMs());
                servers_[i].Advance(stepMs);
            });
        }
        for (std::size_t i = 0; i < servers_.size(); ++i) world_->server(i).WaitIdle();
        stops_->AfterStep(nowMs);
        SampleTimeline(nowMs + stepMs, false);
    }
    for (std::size_t i = 0; i < world_->ServerCount(); ++i) world_->server(i).StopThread();
    stops_->Finish(run_->startMs + steps_ * stepMs);
    SampleTimeline(run_->startMs + steps_ * stepMs, true);
    Progress(steps_, steps_, true);
}

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
    s.TextOnly("rule file", options_.rules.empty() ? (options_.resources.empty() ? "the simulator's own" : "in --resources")
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

void Simulation::CountWork() {
    WorkCounters& w = work_;
    for (std::size_t i = 0; i < servers_.size(); ++i) {
        w.changes += servers_[i].changes;
        for (const auto& [id, n] : servers_[i].requests) w.requests[id] += n;
        Server& server = world_->server(i);
        w.callbacks += server.Critical() ? server.Critical()->CallbacksRun() : 0;
        w.kernelCalls += server.Kernel().KernelCalls();
        w.messages += server.Kernel().MessagesSent();
        w.timed += server.EventTime() ? server.EventTime()->Fired() : 0;
    }
    // Server processes: each one's last figures (a killed one's as it died).
    const auto count = [](const Json& f, const char* key) { return f.value(key, std::uint64_t{0}); };
    std::vector<Json> stores = {SimStoreTrips(world_->Store())};
    for (const Json& f : figures_) {
        w.changes += count(f, "changes");
        w.callbacks += count(f, "callbacks");
        w.kernelCalls += count(f, "kernel_calls");
        w.messages += count(f, "messages");
        w.timed += count(f, "timed");
        logins_ += count(f, "logins");
        for (const auto& [id, n] : f["requests"].items()) w.requests[std::stoi(id)] += n.get<std::uint64_t>();
        stores.push_back(f["store"]);
    }
    // A failed try writes nothing in a store shared by processes: each counts its own.
    w.lockWaits = world_->Store().CompareSetFailuresTotal();
    for (std::size_t p = 1; p < stores.size(); ++p) w.lockWaits += stores[p].value("lock_waits", std::uint64_t{0});
    PubDataStore& store = world_->Store();
    const std::array<std::uint64_t, 3> rewrites = ListRewrites(figures_);
    for (int i = 0; i < 3; ++i) {
        const ListLock& l = kLists[i];
        const int index = store.SpaceIndex(l.space);
        w.rewrites[i] = rewrites[static_cast<std::size_t>(i)];
        w.rows[i] = std::max(0, store.Rows(index, l.record));
        w.listWaits[i] = store.CompareSetFailures(index, l.lock);
        for (std::size_t p = 1; p < stores.size(); ++p) w.listWaits[i] += stores[p]["waits"].value(l.lock, std::uint64_t{0});
        w.lockHeld[i] = store.PropertyInt(index, l.lock) != 0;
    }
}

std::array<std::uint64_t, 3> Simulation::ListRewrites(const std::vector<Json>& figures) const {
    // Counted by the store's release hook where it has one, else from every
    // process's lock releases.
    std::array<std::uint64_t, 3> out{};
    std::vector<Json> releases;
    if (!hooked_) releases.push_back(SimStoreTrips(world_->Store())["releases"]);
    for (const Json& f : figures)
        if (!hooked_ && f.is_object()) releases.push_back(f["store"]["releases"]);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = rewrites_[i].load();
        for (const Json& r : releases) out[i] += r.value(kLists[i].lock, std::uint64_t{0});
    }
    return out;
}

void Simulation::SampleTimeline(std::int64_t endMs, bool last, bool start) {
    if (!start && !timeline_->Due(endMs, last)) return;
    std::vector<SimServerCounters> counters(static_cast<std::size_t>(options_.servers));
    std::optional<std::uint64_t> trips;
    std::vector<Json> figures;
    if (Parent()) {
        // Every process that ran a server, a killed one's counters as it died.
        figures = processes_->Figures();
        trips = 0;
        for (const Json& f : figures) {
            if (!f.is_object()) continue;
            SimServerCounters& c = counters[static_cast<std::size_t>(f["server"].get<int>() - 1)];
            const std::uint64_t before = c.roundTrips;
            c.Add(f["counters"]);
            *trips += c.roundTrips - before;
        }
    } else {
        for (std::size_t i = 0; i < world_->ServerCount(); ++i) counters[i] = SimServerCounters::Of(world_->server(i));
        if (const auto roundTrips = SimStoreRoundTrips(world_->Store())) trips = roundTrips();
    }
    if (start) {
        timeline_->Begin(counters, ListRewrites(figures), trips);
    } else {
        timeline_->Sample(endMs, counters, ListRewrites(figures), trips);
    }
}

void Simulation::ReportWork(SimReport& report, double seconds) {
    const WorkCounters& w = work_;
    const std::uint64_t changes = w.changes, callbacks = w.callbacks, kernelCalls = w.kernelCalls,
                        messages = w.messages, timed = w.timed, lockWaits = w.lockWaits;
    std::map<int, std::uint64_t> requests = w.requests;
    std::uint64_t allRequests = 0;
    for (const auto& [id, n] : requests) allRequests += n;
    // Re-sorts come from the hourly heartbeats of the player and charm lists (one
    // per server each, armed at start-up with a first re-sort), every win-streak
    // list request, and every daily event that finds the day unrewarded.
    const auto hoursRun = static_cast<std::uint64_t>(steps_ * options_.stepMinutes / 60);
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
    s.Number("re-sorts by the hourly heartbeats", n(2 * static_cast<std::uint64_t>(options_.servers) * (hoursRun + 1)));
    s.Number("re-sorts by win-streak list requests", n(requests[150516]));
    s.Number("timed events fired", n(timed));
    s.Number("lock waits (failed compare-and-set tries)", n(lockWaits), "lock_waits");
    s.Number("lock waits per change", changes ? static_cast<double>(lockWaits) / static_cast<double>(changes) : 0.0,
             4);
    s.Number("kernel calls", n(kernelCalls));
    ReportTable& t = s.Table("Per leaderboard", "lists");
    t.Column("list").Column("rows", true).Column("locked rewrites", true).Column("lock waits", true).Column(
        "lock at the end", false, "lock_held");
    for (int i = 0; i < 3; ++i) {
        const ListLock& l = kLists[i];
        t.AddRow() = {l.list, w.rows[i], n(w.rewrites[i]), n(w.listWaits[i]),
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

// ---------------------------------------------------------------- server processes

int Simulation::RunServerRole() {
    const auto me = static_cast<std::size_t>(options_.serverRole - 1);
    Server& server = world_->server(me);
    const std::int64_t stepMs = static_cast<std::int64_t>(options_.stepMinutes) * 60'000;
    // The costs, a few kilobytes, only with the last answer of a process.
    const auto answer = [this](const char* word, bool last = false) {
        return Platform::WriteAllTo(Platform::StandardOutput(),
                                    std::string(word) + " " + Figures(last).dump() + "\n");
    };
    answer("ready");
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "arm") {
            // Halts at the first public-data call after its next lock take: it
            // dies there, holding the lock, as a killed process would.
            server.HaltAt(HaltTrigger::InsideLock("", 1));
            Platform::WriteAllTo(Platform::StandardOutput(), "armed\n");
        } else if (line == "step") {
            worldLoss_->SetUpAgainIfLost(me, server);
            for (const SimExtension* e : SimExtensions())
                if (e->act) e->act(servers_[me], server.Kernel().Clock().NowMs());
            servers_[me].Advance(stepMs);
            if (server.Halted()) {
                answer("halted", true);
                Platform::KillOwnProcess();
            }
            answer("done");
        } else if (line == "end") {
            answer("done", true);
            return 0;
        }
    }
    return 0;  // the parent went away
}

Json Simulation::Figures(bool last) const {
    const auto me = static_cast<std::size_t>(options_.serverRole - 1);
    Server& server = world_->server(me);
    const SimServerState& state = servers_[me];
    Json f = {{"server", options_.serverRole},
              {"halted_at", server.Halted() ? server.Kernel().HaltedAt() : ""},
              {"logins", logins_},
              {"changes", state.changes},
              {"callbacks", server.Critical() ? server.Critical()->CallbacksRun() : 0},
              {"kernel_calls", server.Kernel().KernelCalls()},
              {"messages", server.Kernel().MessagesSent()},
              {"timed", server.EventTime() ? server.EventTime()->Fired() : 0},
              {"requests", Json::object()},
              {"modules", Json::array()},
              {"diagnostics", Json::array()},
              {"takeovers", Json::array()},
              {"store", SimStoreTrips(world_->Store())},
              {"counters", nullptr},
              {"extensions", Json::object()}};
    SimServerCounters counters = SimServerCounters::Of(server);
    if (const auto trips = SimStoreRoundTrips(world_->Store())) counters.roundTrips = trips();
    f["counters"] = counters.ToJson();
    if (last) f["costs"] = state.costs.ToJson();
    for (const auto& [id, n] : state.requests) f["requests"][std::to_string(id)] = n;
    for (const ModuleStartResult& m : server.Modules())
        f["modules"].push_back({{"name", m.name}, {"init", m.init}, {"after_init", m.afterInit}});
    const std::string diagnostics = world_->DiagnosticsText();
    for (std::size_t at = 0; at < diagnostics.size();) {
        const std::size_t end = diagnostics.find('\n', at);
        f["diagnostics"].push_back(diagnostics.substr(at, end - at));
        at = end == std::string::npos ? diagnostics.size() : end + 1;
    }
    for (const std::string& log : server.Kernel().Logs())
        if (log.find("taken over") != std::string::npos) f["takeovers"].push_back(log);
    for (const SimExtension* e : SimExtensions())
        if (e->gather) f["extensions"][e->name] = e->gather(*run_);
    // At the end, this process's players on the lists, checked where they are kept.
    if (last) {
        f["lost"] = Json::object();
        for (const ListInvariants::ListShape& list : ListInvariants::kAllLists)
            f["lost"][list.record] = SimLostPlayers(world_->Store(), list, servers_);
    }
    return f;
}

bool Simulation::RunProcesses() {
    processes_ = std::make_unique<SimProcesses>(options_, run_->startMs);
    std::string error;
    if (!processes_->Start(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    const std::int64_t stepMs = static_cast<std::int64_t>(options_.stepMinutes) * 60'000;
    steps_ = static_cast<std::int64_t>(options_.hours * 3'600'000.0 / static_cast<double>(stepMs) + 0.5);
    SampleTimeline(run_->startMs, false, true);
    for (std::int64_t step = 0; step < steps_; ++step) {
        Progress(step, steps_, false);
        if (!processes_->Step(run_->startMs + step * stepMs, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return false;
        }
        SampleTimeline(run_->startMs + (step + 1) * stepMs, false);
    }
    SampleTimeline(run_->startMs + steps_ * stepMs, true);
    Progress(steps_, steps_, true);
    if (!processes_->Finish(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    figures_ = processes_->Figures();
    for (const Json& f : figures_)
        for (const auto& [name, value] : f["extensions"].items()) gathered_[name].push_back(value);
    // The kills and the takeovers they caused are reported as the in-process stops are.
    for (std::size_t k = 0; k < options_.kills.size(); ++k) {
        const SimKillOutcome& kill = processes_->Kills()[k];
        stops_->Killed(options_.kills[k], kill.killedMs, kill.at, kill.restartedMs);
    }
    for (const Json& f : figures_) {
        std::vector<std::string> lines;
        for (const Json& line : f["takeovers"]) lines.push_back(line.get<std::string>());
        stops_->AddTakeoverLines(lines);
        if (f.contains("lost"))
            for (const auto& [record, lost] : f["lost"].items()) stops_->AddLostPlayers(record, lost.get<std::string>());
    }
    return true;
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
