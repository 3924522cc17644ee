#include "SimProcesses.h"

#include <cstdlib>

#include "SimOptions.h"

namespace {
constexpr std::int64_t kRestartAfterMs = 3'600'000;  // a killed server comes back a simulated hour later
}

SimProcesses::SimProcesses(const SimOptions& options, std::int64_t startMs)
    : options_(options), startMs_(startMs), killDone_(options.kills.size(), false), kills_(options.kills.size()) {
    // The children read the password where this process did (the environment,
    // inherited, or the same owner-only file), never from their command line.
    const std::string& store = options.store;
    baseArgs_ = {Platform::OwnProgramPath(),
                 "--store",
                 store,
                 "--processes",
                 "--quiet",
                 "--servers",
                 std::to_string(options.servers),
                 "--players",
                 std::to_string(options.players),
                 "--step-minutes",
                 std::to_string(options.stepMinutes),
                 "--seed",
                 std::to_string(options.seed),
                 "--start",
                 std::to_string(options.year) + "-" + (options.month < 10 ? "0" : "") + std::to_string(options.month) +
                     "-" + (options.day < 10 ? "0" : "") + std::to_string(options.day)};
    if (!options.storePasswordFile.empty())
        baseArgs_.insert(baseArgs_.end(), {"--store-password-file", options.storePasswordFile});
    if (!options.requests) baseArgs_.push_back("--no-requests");
    if (!options.library.empty()) baseArgs_.insert(baseArgs_.end(), {"--library", options.library});
    if (!options.rules.empty()) baseArgs_.insert(baseArgs_.end(), {"--rules", options.rules});
    if (!options.resources.empty()) baseArgs_.insert(baseArgs_.end(), {"--resources", options.resources});
    for (const std::string& w : options.without) baseArgs_.insert(baseArgs_.end(), {"--without", w});
    for (const std::string& a : options.activity.Arguments()) baseArgs_.push_back(a);
}

SimProcesses::~SimProcesses() {
    for (Child& c : children_) {
        if (!c.alive) continue;
        Platform::KillProcess(c.process.id);
        std::string status;
        Reap(c, status);
    }
}

bool SimProcesses::Launch(Child& child, std::int64_t resumeMs, std::string& error) {
    std::vector<std::string> argv = baseArgs_;
    argv.insert(argv.end(), {"--server-role", std::to_string(child.server)});
    if (resumeMs != 0) argv.insert(argv.end(), {"--resume-ms", std::to_string(resumeMs)});
    if (!Platform::StartProcess(argv, true, child.process, error)) return false;
    child.alive = true;
    child.armed = false;
    child.buffer.clear();
    child.figures = figures_.size();
    figures_.push_back(Json());
    ++started_;
    std::string word;
    if (!Answer(child, word, error)) return false;
    if (word != "ready") {
        error = "server " + std::to_string(child.server) + "'s process did not get ready";
        return false;
    }
    return true;
}

bool SimProcesses::ReadLine(Child& child, std::string& line) {
    for (;;) {
        const std::size_t end = child.buffer.find('\n');
        if (end != std::string::npos) {
            line = child.buffer.substr(0, end);
            child.buffer.erase(0, end + 1);
            return true;
        }
        char chunk[4096];
        const long long n = Platform::ReadSomeFrom(child.process.fromChild, chunk, sizeof chunk);
        if (n <= 0) return false;
        child.buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

bool SimProcesses::Send(Child& child, const char* line) {
    return Platform::WriteAllTo(child.process.toChild, std::string(line) + "\n");
}

void SimProcesses::Reap(Child& child, std::string& status) {
    Platform::ClosePipe(child.process.toChild);
    Platform::ClosePipe(child.process.fromChild);
    int code = 0;
    status = Platform::WaitProcess(child.process.id, 10'000, code) ? std::to_string(code) : "unknown";
    child.alive = false;
}

bool SimProcesses::Answer(Child& child, std::string& word, std::string& error) {
    std::string line;
    if (!ReadLine(child, line)) {
        std::string status;
        Reap(child, status);
        error = "server " + std::to_string(child.server) + "'s process ended unexpectedly (exit status " + status + ")";
        return false;
    }
    const std::size_t space = line.find(' ');
    word = line.substr(0, space);
    if (space != std::string::npos) {
        Json figures = Json::parse(line.substr(space + 1), nullptr, false);
        if (figures.is_discarded()) {
            error = "server " + std::to_string(child.server) + " sent figures that are no JSON";
            return false;
        }
        figures_[child.figures] = std::move(figures);
    }
    return true;
}

bool SimProcesses::Start(std::string& error) {
    children_.resize(static_cast<std::size_t>(options_.servers));
    for (int s = 1; s <= options_.servers; ++s) {
        Child& c = children_[static_cast<std::size_t>(s - 1)];
        c.server = s;
        if (!Launch(c, 0, error)) return false;
    }
    return true;
}

bool SimProcesses::Step(std::int64_t nowMs, std::string& error) {
    for (Child& c : children_) {
        if (c.alive || c.restartAtMs < 0 || nowMs < c.restartAtMs) continue;
        c.restartAtMs = -1;
        if (!Launch(c, nowMs, error)) return false;
        events_.push_back({c.server, nowMs, "restarted", ""});
        if (c.kill >= 0) kills_[static_cast<std::size_t>(c.kill)].restartedMs = nowMs;
        c.kill = -1;
    }
    for (std::size_t k = 0; k < options_.kills.size(); ++k) {
        const SimStop& kill = options_.kills[k];
        Child& c = children_[static_cast<std::size_t>(kill.server - 1)];
        if (killDone_[k] || !c.alive || c.armed || nowMs < startMs_ + kill.OffsetMs()) continue;
        killDone_[k] = true;
        std::string word;
        if (!Send(c, "arm") || !Answer(c, word, error)) return false;
        c.armed = true;
        c.kill = static_cast<int>(k);
    }
    for (Child& c : children_)
        if (c.alive && !Send(c, "step")) {
            error = "cannot reach server " + std::to_string(c.server) + "'s process";
            return false;
        }
    for (Child& c : children_) {
        if (!c.alive) continue;
        std::string word;
        if (!Answer(c, word, error)) return false;
        if (word != "halted") continue;
        std::string status;
        Reap(c, status);
        const Json& f = figures_[c.figures];
        const std::string at = f.contains("halted_at") ? f["halted_at"].get<std::string>() : std::string();
        events_.push_back({c.server, nowMs, "killed", at + " (exit status " + status + ")"});
        if (c.kill >= 0) {
            kills_[static_cast<std::size_t>(c.kill)].killedMs = nowMs;
            kills_[static_cast<std::size_t>(c.kill)].at = at;
        }
        c.restartAtMs = nowMs + kRestartAfterMs;
    }
    return true;
}

bool SimProcesses::Finish(std::string& error) {
    bool ok = true;
    for (Child& c : children_) {
        if (!c.alive) continue;
        std::string word, status;
        if (!Send(c, "end") || !Answer(c, word, error)) ok = false;
        if (c.alive) Reap(c, status);
    }
    return ok;
}

std::vector<Json> SimProcesses::Figures() const { return figures_; }
