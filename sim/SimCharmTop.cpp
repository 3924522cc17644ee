// Charm leaderboard in the simulator: charm and gifts rising over the hours,
// list requests 140912, and the list's top rows.
#include <algorithm>
#include <string>
#include <vector>

#include "SimExtension.h"
#include "SimNames.h"
#include "SimOptions.h"
#include "SimReport.h"
#include "top/RankedLists.h"

namespace {

constexpr const TopList::RankedList& kList = TopList::CharmTop::kList;
constexpr int kListRequest = kList.queryMessage;

struct CharmState {
    int charm = 0, gifts = 0;
};
std::vector<std::vector<CharmState>> g_charm;  // per server

void Start(SimRun& run) { g_charm.assign(run.servers.size(), {}); }

std::size_t ServerIndex(const SimServerState& s) { return static_cast<std::size_t>(s.server->Number() - 1); }

void NewPlayer(SimServerState& s, std::size_t, PlayerProperties& props) {
    CharmState c;
    c.charm = s.Uniform(0, 200);
    c.gifts = s.Uniform(0, 40);
    g_charm[ServerIndex(s)].push_back(c);
    props.insert(props.end(), {{"Charm", c.charm}, {"GiftNum", c.gifts}});
}

void Act(SimServerState& s, std::int64_t) {
    if (s.OnlineCount() == 0) return;
    auto& charm = g_charm[ServerIndex(s)];
    const std::size_t admirers = s.Times("compliment");
    for (std::size_t n = 0; n < admirers; ++n) {  // compliments, duets, festivals
        const std::size_t i = s.Pick();
        s.Set(i, "Charm", charm[i].charm += s.Uniform(1, 15));
    }
    const std::size_t gifts = s.Times("gift");
    for (std::size_t n = 0; n < gifts; ++n) {  // a gift counts and charms
        const std::size_t i = s.Pick();
        s.Set(i, "GiftNum", ++charm[i].gifts);
        s.Set(i, "Charm", charm[i].charm += s.Uniform(5, 30));
    }
    const std::size_t asks = s.Times("charm_list_request");
    for (std::size_t n = 0; n < asks; ++n) s.Ask(s.Pick(), kListRequest);
}

int IntCell(const std::vector<HostValue>& row, std::size_t col) {
    return col < row.size() && TypeOfValue(row[col]) == VT_INT ? std::get<int>(row[col]) : 0;
}

void Report(SimRun& run, SimReport& report) {
    const auto list = run.world.Store().Snapshot(kList.pubSpace, kList.record);
    ReportSection& s = report.Section("Charm leaderboard", "charm_leaderboard");
    const std::size_t rows = list ? list->rows.size() : 0;
    s.Number("rows", static_cast<std::int64_t>(rows));
    ReportTable& t = s.Table("Top " + std::to_string(run.options.top), "top");
    t.Column("rank", true)
        .Column("name")
        .Column("charm", true)
        .Column("gifts", true)
        .Column("level", true)
        .Column("profession")
        .Column("camp")
        .Column("castle id")
        .Column("nation")
        .Column("guild");
    // Columns: Name, Level, ProfType, Camp, CastleNameID, Nation, GuildName, Charm, GiftNum.
    for (std::size_t r = 0; r < rows && r < static_cast<std::size_t>(run.options.top); ++r) {
        const auto& row = list->rows[r];
        t.AddRow() = {r + 1,
                      ValueText(row.at(0)),
                      IntCell(row, 7),
                      IntCell(row, 8),
                      IntCell(row, 1),
                      ProfessionText(IntCell(row, 2)),
                      CampText(IntCell(row, 3)),
                      row.size() > 4 ? ValueText(row[4]) : std::string(),
                      NationText(IntCell(row, 5)),
                      row.size() > 6 ? ValueText(row[6]) : std::string()};
    }
}

const SimExtension kExtension{
    "charm leaderboard", 20, nullptr, Start, NewPlayer, Act, Report, nullptr, &kList, "charm", "charm"};
const SimExtensionRegistration kRegistration(kExtension);

}  // namespace
