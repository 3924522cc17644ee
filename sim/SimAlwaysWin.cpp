// Win-streak leaderboard in the simulator: the rule file, fights in which
// streaks rise and break, players waiting in the challenge scene, list
// requests 150516, the daily prize letters and the streak resets that follow.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "SimExtension.h"
#include "SimNames.h"
#include "SimOptions.h"
#include "SimReport.h"
#include "top/RankedLists.h"

#ifndef VOGAME_SIM_RULES
#define VOGAME_SIM_RULES "sim/rules/PlayerTopAlwaysWin.ini"
#endif

namespace {

constexpr const TopList::RankedList& kList = TopList::WinStreakTop::kList;
constexpr int kListRequest = kList.queryMessage;
constexpr int kChallengeScene = 3;

struct Fighter {
    double skill = 1.0;
    int streak = 0;
};
struct Reset {
    std::int64_t seenMs = 0;  // the first step after the reset
    int server = 0;
    int players = 0;
    int longest = 0;  // the longest streak that was reset
};
struct ServerFights {
    std::vector<Fighter> fighters;
    std::vector<std::size_t> challengers;  // indices of the players waiting in the challenge scene
    std::uint64_t fights = 0, broken = 0;
    std::vector<Reset> resets;
};
std::vector<ServerFights> g_fights;  // per server

std::size_t ServerIndex(const SimServerState& s) { return static_cast<std::size_t>(s.server->Number() - 1); }

bool WriteRules(const SimOptions& options, const std::string& dir, std::string& error) {
    const std::string from = options.rules.empty() ? std::string(VOGAME_SIM_RULES) : options.rules;
    std::error_code ec;
    std::filesystem::create_directories(dir + "Rule", ec);
    if (!ec) std::filesystem::copy_file(from, dir + "Rule/PlayerTopAlwaysWin.ini", ec);
    if (ec) error = "cannot copy the rule file " + from + ": " + ec.message();
    return !ec;
}

void Start(SimRun& run) { g_fights.assign(run.servers.size(), {}); }

void NewPlayer(SimServerState& s, std::size_t i, PlayerProperties& props) {
    ServerFights& f = g_fights[ServerIndex(s)];
    // Skill spreads widely, so that a few strong fighters build long streaks.
    f.fighters.push_back({std::lognormal_distribution<double>(0.0, 1.2)(s.rng), 0});
    if (s.scenes[i] == kChallengeScene) f.challengers.push_back(i);
    props.push_back({"CompeteAlwaysWin", 0});
}

// Streaks that the daily event reset since the last step (the host set them to 0).
void NoticeResets(SimServerState& s, ServerFights& f, std::int64_t nowMs) {
    Reset reset{nowMs, s.server->Number(), 0, 0};
    for (std::size_t i : f.challengers) {
        Fighter& fighter = f.fighters[i];
        if (fighter.streak == 0) continue;
        const HostValue now = s.server->Kernel().Property(s.players[i], "CompeteAlwaysWin");
        if (TypeOfValue(now) == VT_INT && std::get<int>(now) == 0) {
            ++reset.players;
            reset.longest = std::max(reset.longest, fighter.streak);
            fighter.streak = 0;
        }
    }
    if (reset.players > 0) f.resets.push_back(reset);
}

void Fight(SimServerState& s, ServerFights& f, std::size_t a, std::size_t b) {
    if (a == b || !s.Online(a) || !s.Online(b)) return;
    ++f.fights;
    const double pa = f.fighters[a].skill / (f.fighters[a].skill + f.fighters[b].skill);
    const bool aWins = std::uniform_real_distribution<double>(0.0, 1.0)(s.rng) < pa;
    const std::size_t winner = aWins ? a : b, loser = aWins ? b : a;
    s.Set(winner, "CompeteAlwaysWin", ++f.fighters[winner].streak);
    if (f.fighters[loser].streak > 0) {
        ++f.broken;
        s.Set(loser, "CompeteAlwaysWin", f.fighters[loser].streak = 0);
    }
}

void Act(SimServerState& s, std::int64_t nowMs) {
    if (s.OnlineCount() < 2) return;
    ServerFights& f = g_fights[ServerIndex(s)];
    NoticeResets(s, f, nowMs);
    const std::size_t fights = s.Times("fight");
    for (std::size_t n = 0; n < fights; ++n) {
        // Most fights are challenges among the waiting players; the rest are open-field duels.
        if (f.challengers.size() >= 2 && s.Chance(s.Model().challengeShare)) {
            const auto pick = [&] {
                return f
                    .challengers[static_cast<std::size_t>(s.Uniform(0, static_cast<int>(f.challengers.size()) - 1))];
            };
            Fight(s, f, pick(), pick());
        } else {
            Fight(s, f, s.Pick(), s.Pick());
        }
    }
    const std::size_t asks = s.Times("win_streak_list_request");
    for (std::size_t n = 0; n < asks; ++n) s.Ask(s.Pick(), kListRequest);
}

int IntCell(const std::vector<HostValue>& row, std::size_t col) {
    return col < row.size() && TypeOfValue(row[col]) == VT_INT ? std::get<int>(row[col]) : 0;
}

struct Sent {
    std::int64_t ms;
    int server;
    std::string receiver, attachment, title;
};
extern const SimExtension kExtension;

void Report(SimRun& run, SimReport& report) {
    const auto list = run.world.Store().Snapshot(kList.pubSpace, kList.record);
    ReportSection& s = report.Section("Win-streak leaderboard", "win_streak_leaderboard");
    std::uint64_t fights = 0, broken = 0;
    for (const ServerFights& f : g_fights) {
        fights += f.fights;
        broken += f.broken;
    }
    if (run.gathered != nullptr) {
        if (auto it = run.gathered->find(kExtension.name); it != run.gathered->end()) {
            for (const Json& g : it->second) {
                fights += g["fights"].get<std::uint64_t>();
                broken += g["broken"].get<std::uint64_t>();
            }
        }
    }
    const std::size_t rows = list ? list->rows.size() : 0;
    s.Number("fights", static_cast<std::int64_t>(fights));
    s.Number("streaks broken in fights", static_cast<std::int64_t>(broken));
    s.Number("rows (since the last daily prize)", static_cast<std::int64_t>(rows), "rows");
    ReportTable& t = s.Table("Top " + std::to_string(run.options.top), "top");
    t.Column("rank", true)
        .Column("name")
        .Column("streak", true)
        .Column("level", true)
        .Column("profession")
        .Column("camp");
    // Columns: Name, Level, ProfType, Camp, CompeteAlwaysWin.
    for (std::size_t r = 0; r < rows && r < static_cast<std::size_t>(run.options.top); ++r) {
        const auto& row = list->rows[r];
        t.AddRow() = {r + 1,
                      row.empty() ? std::string() : ValueText(row[0]),
                      IntCell(row, 4),
                      IntCell(row, 1),
                      ProfessionText(IntCell(row, 2)),
                      CampText(IntCell(row, 3))};
    }

    // Every letter of every mailbox, in the order sent.
    std::vector<Sent> letters;
    for (SimServerState& server : run.servers) {
        const LetterSystem* box = server.server->Letters();
        if (box == nullptr) continue;
        for (const SimServerState& owner : run.servers)
            for (const std::u16string& name : owner.names)
                for (const LetterSystem::Letter& l : box->Mailbox(name))
                    letters.push_back(
                        {l.sentMs, server.server->Number(), Utf8(l.receiver), Utf8(l.attachment), Utf8(l.title)});
    }
    std::vector<Reset> all;
    for (const ServerFights& f : g_fights) all.insert(all.end(), f.resets.begin(), f.resets.end());
    if (run.gathered != nullptr) {
        if (auto it = run.gathered->find(kExtension.name); it != run.gathered->end()) {
            for (const Json& g : it->second) {
                for (const Json& l : g["letters"])
                    letters.push_back({l[0].get<std::int64_t>(), l[1].get<int>(), l[2].get<std::string>(),
                                       l[3].get<std::string>(), l[4].get<std::string>()});
                for (const Json& r : g["resets"])
                    all.push_back({r[0].get<std::int64_t>(), r[1].get<int>(), r[2].get<int>(), r[3].get<int>()});
            }
        }
    }
    std::stable_sort(letters.begin(), letters.end(),
                     [](const Sent& a, const Sent& b) { return std::tie(a.ms, a.server) < std::tie(b.ms, b.server); });
    ReportSection& prizes = report.Section("Prize letters", "prize_letters");
    prizes.Number("letters", static_cast<std::int64_t>(letters.size()), "count");
    ReportTable& lt = prizes.Table("", "letters");
    lt.Column("sent").Column("server", true).Column("receiver").Column("attachment").Column("title");
    for (const Sent& l : letters)
        lt.AddRow() = {ReportCell(DateTimeText(l.ms), IsoTimeText(l.ms)), l.server, l.receiver, l.attachment, l.title};

    ReportSection& resets = report.Section("Streak resets in the challenge scene", "streak_resets");
    std::stable_sort(all.begin(), all.end(), [](const Reset& a, const Reset& b) {
        return std::tie(a.seenMs, a.server) < std::tie(b.seenMs, b.server);
    });
    ReportTable& rt = resets.Table("", "resets");
    rt.Column("seen by").Column("server", true).Column("players reset", true).Column("longest streak lost", true);
    for (const Reset& r : all)
        rt.AddRow() = {ReportCell(DateTimeText(r.seenMs), IsoTimeText(r.seenMs)), r.server, r.players, r.longest};
}

// In a server's own process: its fights, its resets and the letters it sent.
Json Gather(SimRun& run) {
    Json out = {{"fights", 0}, {"broken", 0}, {"letters", Json::array()}, {"resets", Json::array()}};
    for (const ServerFights& f : g_fights) {
        out["fights"] = out["fights"].get<std::uint64_t>() + f.fights;
        out["broken"] = out["broken"].get<std::uint64_t>() + f.broken;
        for (const Reset& r : f.resets) out["resets"].push_back({r.seenMs, r.server, r.players, r.longest});
    }
    for (SimServerState& server : run.servers) {
        const LetterSystem* box = server.players.empty() ? nullptr : server.server->Letters();
        if (box == nullptr) continue;
        for (const LetterSystem::Letter* l : box->AllLetters())
            out["letters"].push_back(
                {l->sentMs, server.server->Number(), Utf8(l->receiver), Utf8(l->attachment), Utf8(l->title)});
    }
    return out;
}

const SimExtension kExtension{
    "win-streak leaderboard", 30, WriteRules, Start, NewPlayer, Act, Report, Gather, &kList, "win streak", "streak"};
const SimExtensionRegistration kRegistration(kExtension);

}  // namespace
