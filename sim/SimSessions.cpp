// The activity model at play: how often each action happens on a server this
// step, who is online, sessions that end and begin when fewer than all players
// are online at once, and the model in the report.
#include <algorithm>
#include <cmath>

#include "SimActivity.h"
#include "SimExtension.h"
#include "SimOptions.h"
#include "SimReport.h"

namespace {

const SimActivity& ModelOf(const SimServerState& s) { return s.Model(); }

}  // namespace

const SimActivity& SimServerState::Model() const {
    static const SimActivity defaults;
    return activity != nullptr ? *activity : defaults;
}

std::size_t SimServerState::Times(const char* action) const {
    return ModelOf(*this).PlayerTimes(action, OnlineCount(), stepMinutes);
}

std::size_t SimServerState::ServerTimes(const char* action) {
    double chance = 0.0;
    std::size_t times = ModelOf(*this).ServerTimes(action, stepMinutes, chance);
    if (chance > 0.0 && Chance(chance)) ++times;
    return times;
}

std::size_t SimServerState::Pick() {
    if (offlineCount_ == 0) return static_cast<std::size_t>(Uniform(0, static_cast<int>(players.size()) - 1));
    List();
    return online_[static_cast<std::size_t>(Uniform(0, static_cast<int>(online_.size()) - 1))];
}

std::size_t SimServerState::PickOffline() {
    List();
    return offline_[static_cast<std::size_t>(Uniform(0, static_cast<int>(offline_.size()) - 1))];
}

std::size_t SimServerState::FirstOnline() const {
    for (std::size_t i = 0; i < players.size(); ++i)
        if (Online(i)) return i;
    return 0;
}

bool SimServerState::StartsOnline(std::size_t i) const {
    const double share = ModelOf(*this).online;
    if (share >= 1.0) return true;
    // Player i is online when the share's running count passes a whole number at him.
    const auto count = [share](std::size_t n) { return std::floor(static_cast<double>(n) * share + 1e-9); };
    return count(i + 1) > count(i);
}

void SimServerState::List() {
    if (listed_ == players.size()) return;
    online_.clear();
    offline_.clear();
    slot_.assign(players.size(), 0);
    for (std::size_t p = 0; p < players.size(); ++p) {
        std::vector<std::size_t>& list = Online(p) ? online_ : offline_;
        slot_[p] = list.size();
        list.push_back(p);
    }
    listed_ = players.size();
}

void SimServerState::Move(std::vector<std::size_t>& from, std::vector<std::size_t>& to, std::size_t i) {
    const std::size_t at = slot_[i];
    from[at] = from.back();
    slot_[from[at]] = at;
    from.pop_back();
    slot_[i] = to.size();
    to.push_back(i);
}

void SimServerState::KeepOffline(std::size_t i, PlayerProperties properties) {
    if (kept_.size() < players.size()) kept_.resize(players.size());
    kept_[i] = std::move(properties);
    players[i] = ObjectId{};
    ++offlineCount_;
}

void SimServerState::LogOut(std::size_t i) {
    if (!Online(i)) return;
    List();
    if (kept_.size() < players.size()) kept_.resize(players.size());
    HostKernel& kernel = server->Kernel();
    CVarList names;
    kernel.GetPropertyList(players[i], names);
    PlayerProperties& kept = kept_[i];
    kept.clear();
    for (std::size_t n = 0; n < names.Size(); ++n) {
        const std::string name = names.StringAt(n);
        if (name != "Name") kept.emplace_back(name, kernel.Property(players[i], name));
    }
    if (server->Critical() != nullptr) server->Critical()->ForgetObject(players[i]);
    kernel.DestroyObject(players[i]);
    List();
    players[i] = ObjectId{};
    Move(online_, offline_, i);
    ++offlineCount_;
    ++logouts;
}

void SimServerState::LogInAgain(std::size_t i) {
    if (Online(i)) return;
    List();
    players[i] = server->CreatePlayer(names[i], scenes[i], kept_[i]);
    kept_[i].clear();
    if (players[i].IsNull()) return;
    Move(offline_, online_, i);
    --offlineCount_;
    LogIn(i);
    ++loginsAgain;
}

namespace {

// With fewer than all players online, sessions end at the rate 1 / session_hours
// per player online, and as many offline players log in: the share stays.
void Act(SimServerState& s, std::int64_t) {
    const SimActivity& model = ModelOf(s);
    if (model.online >= 1.0 || s.players.empty()) return;
    const double ends = static_cast<double>(s.OnlineCount()) * s.stepMinutes / 60.0 / model.sessionHours;
    std::size_t n = static_cast<std::size_t>(std::floor(ends));
    if (s.Chance(ends - std::floor(ends))) ++n;
    n = std::min({n, s.OnlineCount(), s.players.size() - s.OnlineCount()});
    // One at a time, so that nobody is picked twice.
    for (std::size_t k = 0; k < n; ++k) s.LogInAgain(s.PickOffline());
    for (std::size_t k = 0; k < n; ++k) s.LogOut(s.Pick());
}

// The model the run used: in the JSON form always, in the text only when it
// is not the defaults (the default report reads as it always did).
void Report(SimRun& run, SimReport& report) {
    const SimActivity& model = run.options.activity;
    const bool defaults = model.Arguments().empty();
    ReportSection& s = report.Section(defaults ? "" : "Activity model", "activity");
    s.Number("players online (share)", model.online, 3, "online");
    s.Number("session hours", model.sessionHours, 2, "session_hours");
    s.Number("fights among challengers (share)", model.challengeShare, 3, "challenge_share");
    s.JsonOnly("defaults", defaults);
    std::uint64_t logouts = 0, loginsAgain = 0;
    for (const SimServerState& server : run.servers) {
        logouts += server.logouts;
        loginsAgain += server.loginsAgain;
    }
    if (run.gathered != nullptr && run.gathered->count("sessions") != 0) {
        for (const Json& f : run.gathered->at("sessions")) {
            logouts += f.value("logouts", std::uint64_t{0});
            loginsAgain += f.value("logins_again", std::uint64_t{0});
        }
    }
    s.Number("sessions ended", static_cast<std::int64_t>(logouts), "logouts");
    s.Number("logins after a session ended", static_cast<std::int64_t>(loginsAgain), "logins_again");
    ReportTable& t = s.Table("Rates", "rates");
    t.Column("action").Column("per hour", false, "per_hour").Column("per").Column("default", false);
    for (const SimAction& a : SimActivity::Actions()) {
        const auto shown = [](double v) {
            char text[32];
            std::snprintf(text, sizeof text, "%.6g", v);
            return ReportCell(text, Json(v));
        };
        t.AddRow() = {a.name, shown(model.Rate(a.name)), a.perPlayer ? "player online" : "server", shown(a.perHour)};
    }
}

Json Gather(SimRun& run) {
    std::uint64_t logouts = 0, loginsAgain = 0;
    for (const SimServerState& server : run.servers) {
        logouts += server.logouts;
        loginsAgain += server.loginsAgain;
    }
    return {{"logouts", logouts}, {"logins_again", loginsAgain}};
}

const SimExtension kExtension{
    .name = "sessions",
    .order = 0,  // before every other part acts, so they see who is online this step
    .act = Act,
    .report = Report,
    .gather = Gather,
};
const SimExtensionRegistration kRegistration(kExtension);

}  // namespace
