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
#include "host/PlatformChildProcess.h"
#include "SimListCheck.h"
#include "SimStops.h"
#include "SimTimeline.h"
#include "SimWorldLoss.h"
#include "host/HostClock.h"
#include "host/ListInvariants.h"
#include "Utility/Platform.h"

namespace {
// The leaderboards whose rewrites are counted (top/RankedLists.h), with the lock property beside each record.
const auto& kLists = ListInvariants::kAllLists;

// Player names: two syllables, then a number once the pairs run out; unique in the world.
std::u16string PlayerName(int global) {
    static const char* const first[] = {"Al",   "Bran", "Cor", "Da",  "El",  "Fen", "Gar", "Hal",
                                        "Is",   "Jor",  "Ka",  "Lor", "Mor", "Nim", "Or",  "Per",
                                        "Quel", "Ros",  "Sel", "Tor", "Ul",  "Val", "Wyn", "Zar"};
    static const char* const second[] = {"ric", "wen", "dor", "mir", "ane", "oth", "ith",  "gar", "elle", "uin",
                                         "as",  "ka",  "ion", "ara", "eth", "ko",  "mund", "is",  "wyn",  "ra"};
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
        for (std::size_t i = 0; i < kSimListCount; ++i)
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
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - created_).count();
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
    const SimListFigures rewrites = ListRewrites(figures_);
    for (std::size_t i = 0; i < kSimListCount; ++i) {
        const ListInvariants::ListShape& l = kLists[i];
        const int index = store.SpaceIndex(l.space);
        w.rewrites[i] = rewrites[i];
        w.rows[i] = std::max(0, store.Rows(index, l.record));
        w.listWaits[i] = store.CompareSetFailures(index, l.lock);
        for (std::size_t p = 1; p < stores.size(); ++p)
            w.listWaits[i] += stores[p]["waits"].value(l.lock, std::uint64_t{0});
        w.lockHeld[i] = store.PropertyInt(index, l.lock) != 0;
    }
}

SimListFigures Simulation::ListRewrites(const std::vector<Json>& figures) const {
    // Counted by the store's release hook where it has one, else from every
    // process's lock releases.
    SimListFigures out{};
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

// ---------------------------------------------------------------- server processes

int Simulation::RunServerRole() {
    const auto me = static_cast<std::size_t>(options_.serverRole - 1);
    Server& server = world_->server(me);
    const std::int64_t stepMs = static_cast<std::int64_t>(options_.stepMinutes) * 60'000;
    // The costs, a few kilobytes, only with the last answer of a process.
    const auto answer = [this](const char* word, bool last = false) {
        return Platform::WriteAllTo(Platform::StandardOutput(), std::string(word) + " " + Figures(last).dump() + "\n");
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
            for (const auto& [record, lost] : f["lost"].items())
                stops_->AddLostPlayers(record, lost.get<std::string>());
    }
    return true;
}
