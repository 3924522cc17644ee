#include "Simulation.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "SimExtension.h"

namespace {
constexpr int kCommandPlayerReady = 1009;  // the host's command to a player that has finished loading

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}
std::string RowText(const std::vector<HostValue>& row) {
    std::string text;
    for (const HostValue& v : row) {
        if (!text.empty()) text += " | ";
        switch (TypeOfValue(v)) {
            case VT_INT: text += std::to_string(std::get<int>(v)); break;
            case VT_FLOAT: text += std::to_string(std::get<float>(v)); break;
            case VT_STRING: text += std::get<std::string>(v); break;
            case VT_WIDESTR: text += Narrow(std::get<std::u16string>(v)); break;
            case VT_INT64: text += std::to_string(std::get<std::int64_t>(v)); break;
            case VT_OBJECT: {
                const ObjectId id = std::get<ObjectId>(v);
                text += std::to_string(id.ident) + "." + std::to_string(id.serial);
                break;
            }
            default: break;
        }
    }
    return text;
}
}  // namespace

Simulation::Simulation(const SimOptions& options) : options_(options) {}

Simulation::~Simulation() {
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
    resourceDir_ = options_.resources;
    if (resourceDir_.empty()) {
        char pattern[] = "/tmp/vogame-sim-XXXXXX";
        const char* dir = ::mkdtemp(pattern);
        if (dir == nullptr) {
            std::fprintf(stderr, "cannot make a temporary resource folder\n");
            return 1;
        }
        resourceDir_ = std::string(dir) + "/";
        ownResourceDir_ = true;
        for (const SimExtension* e : extensions)
            if (e->writeResources) e->writeResources(resourceDir_);
    }
    const auto started = std::chrono::steady_clock::now();
    if (!StartServers()) return 1;
    CreatePlayers();
    if (!options_.quiet) ReportStart();
    RunClock();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ReportEnd(seconds);
    bool allStarted = true;
    for (std::size_t i = 0; i < world_->ServerCount(); ++i) allStarted = allStarted && world_->server(i).AllModulesStarted();
    return allStarted && world_->DiagnosticsText().empty() ? 0 : 1;
}

bool Simulation::StartServers() {
    ServerOptions so;
    so.libraryPath = options_.library;
    so.resourcePath = resourceDir_;
    so.echoLogs = options_.echo;
    world_ = std::make_unique<World>(options_.servers, so);
    world_->SetClock(options_.year, options_.month, options_.day);
    for (std::size_t i = 0; i < world_->ServerCount(); ++i) {
        Server& s = world_->server(i);
        s.Kernel().SetInboxLimit(2);  // reports read the newest replies only
        s.CreateScene(1, "HomeScene");
        s.CreateScene(2, "BaseScene");
        s.CreateScene(3, "BaseScene", "ChallengeWaitScene");
        if (!s.Start()) {
            std::fprintf(stderr, "server %d: %s\n", s.Number(), s.Error().c_str());
            return false;
        }
        if (!options_.quiet) {
            std::printf("server %d: library loaded\n", s.Number());
            for (const ModuleStartResult& m : s.Modules())
                std::printf("  %-26s Init %s, AfterInit %s\n", m.name.c_str(), m.init ? "true" : "false",
                            m.afterInitCalled ? (m.afterInit ? "true" : "false") : "not called");
        }
        s.SendStartEvents();
        rngs_.emplace_back(options_.seed * 1'000'003u + static_cast<std::uint64_t>(s.Number()));
    }
    return true;
}

void Simulation::CreatePlayers() {
    const int n = static_cast<int>(world_->ServerCount());
    players_.assign(static_cast<std::size_t>(n), {});
    for (int s = 0; s < n; ++s) {
        Server& server = world_->server(static_cast<std::size_t>(s));
        auto& list = players_[static_cast<std::size_t>(s)];
        const int count = options_.players / n + (s < options_.players % n ? 1 : 0);
        list.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            char name[32];
            const int len = std::snprintf(name, sizeof name, "S%dP%d", s + 1, i + 1);
            const std::u16string wide(name, name + len);
            const int scene = i % 10 == 9 ? 3 : 2;  // every tenth player waits in the challenge scene
            const ObjectId player = server.CreatePlayer(wide, scene);
            if (player.IsNull()) continue;
            list.push_back(player);
        }
        SimServerContext ctx{server, rngs_[static_cast<std::size_t>(s)], list, 0};
        for (const ObjectId& player : list) {
            for (const SimExtension* e : SimExtensions())
                if (e->newPlayer) e->newPlayer(ctx, player);
            server.LoginPlayer(player);
            CVarList ready;
            ready << kCommandPlayerReady;
            server.RunCommand(player, ready);
        }
    }
}

void Simulation::ReportStart() {
    std::printf("\npublic records after the start events and %d logins:\n", options_.players);
    for (const auto& r : world_->Store().Records())
        std::printf("  %-22s %-24s %4d rows of %4d, %2d columns\n", Narrow(r.space).c_str(), r.record.c_str(),
                    r.rows, r.maxRows, r.cols);
    for (std::size_t i = 0; i < world_->ServerCount(); ++i) {
        HostKernel& k = world_->server(i).Kernel();
        std::printf("server %d: %zu callbacks registered, %zu log and %zu trace lines\n", world_->server(i).Number(),
                    k.CallbackCount(), k.Logs().size(), k.Traces().size());
    }
    std::printf("\n");
}

void Simulation::ForEachServer(void (*work)(Simulation&, std::size_t)) {
    const std::size_t n = world_->ServerCount();
    for (std::size_t i = 0; i < n; ++i) world_->server(i).Post([this, work, i](Server&) { work(*this, i); });
    for (std::size_t i = 0; i < n; ++i) world_->server(i).WaitIdle();
}

void Simulation::RunClock() {
    if (options_.threads)
        for (std::size_t i = 0; i < world_->ServerCount(); ++i) world_->server(i).StartThread();
    const std::int64_t stepMs = static_cast<std::int64_t>(options_.stepMinutes) * 60'000;
    const auto steps = static_cast<std::int64_t>(options_.days * 86'400'000.0 / static_cast<double>(stepMs) + 0.5);
    for (std::int64_t step = 0; step < steps; ++step) {
        ++round_;
        ForEachServer([](Simulation& sim, std::size_t i) {
            Server& server = sim.world_->server(i);
            SimServerContext ctx{server, sim.rngs_[i], sim.players_[i], sim.round_};
            for (const SimExtension* e : SimExtensions())
                if (e->act) e->act(ctx);
            server.Kernel().Advance(static_cast<std::int64_t>(sim.options_.stepMinutes) * 60'000);
        });
    }
    for (std::size_t i = 0; i < world_->ServerCount(); ++i) world_->server(i).StopThread();
}

void Simulation::ReportEnd(double seconds) {
    std::printf("simulated %.2f days, %d servers, %d players in %.2f s of wall time\n", options_.days,
                options_.servers, options_.players, seconds);
    for (std::size_t i = 0; i < world_->ServerCount(); ++i) {
        Server& s = world_->server(i);
        std::printf("server %d: %llu kernel calls, %zu client messages, %zu letters, %zu timed events fired\n",
                    s.Number(), static_cast<unsigned long long>(s.Kernel().KernelCalls()), s.Kernel().MessagesSent(),
                    s.Letters() ? s.Letters()->TotalLetters() : 0u, s.EventTime() ? s.EventTime()->Fired() : 0u);
    }
    std::printf("failed lock tries (all servers): %llu\n",
                static_cast<unsigned long long>(world_->Store().CompareSetFailuresTotal()));
    PubDataStore& store = world_->Store();
    std::printf("public records at the end (first rows):\n");
    for (const auto& r : store.Records()) {
        std::printf("  %s / %s: %d rows of %d\n", Narrow(r.space).c_str(), r.record.c_str(), r.rows, r.maxRows);
        const auto snap = store.Snapshot(r.space, r.record);
        for (std::size_t row = 0; snap && row < snap->rows.size() && row < 3; ++row)
            std::printf("    %zu: %s\n", row, RowText(snap->rows[row]).c_str());
    }
    std::printf("record locks:\n");
    for (const auto& r : store.Records()) {
        const int index = store.SpaceIndex(r.space);
        const std::string lock = r.record + "PubLock";
        if (!store.FindProperty(index, lock)) continue;
        std::printf("  %-24s %4d rows, lock %s, %llu failed tries\n", r.record.c_str(), r.rows,
                    store.PropertyInt(index, lock) == 0 ? "free" : "HELD",
                    static_cast<unsigned long long>(store.CompareSetFailures(index, lock)));
    }
    for (const SimExtension* e : SimExtensions()) {
        if (e->report == nullptr) continue;
        std::printf("\n== %s ==\n", e->name);
        e->report(*world_, options_);
    }
    const std::string diagnostics = world_->DiagnosticsText();
    if (diagnostics.empty()) {
        std::printf("\nhost diagnostics: none\n");
    } else {
        std::printf("\nhost diagnostics (first lines):\n");
        std::size_t at = 0;
        for (int line = 0; line < 10 && at < diagnostics.size(); ++line) {
            const std::size_t end = diagnostics.find('\n', at);
            std::printf("  %s\n", diagnostics.substr(at, end - at).c_str());
            at = end + 1;
        }
    }
}
