// Nation resources in the simulator: the two nation records that the rest of
// a game server keeps (resources gathered, kings crowned), requests 73003, and
// the decoded "Game.NationResource" virtual record.
#include <string>
#include <vector>

#include "SimExtension.h"
#include "SimNames.h"
#include "SimOptions.h"
#include "SimReport.h"
#include "host/HostClock.h"
#include "host/NationRecords.h"

namespace {

constexpr int kNationRequest = 73003;
constexpr int kValuesPerNation = 7;

void Start(SimRun& run) {
    PubDataStore& store = run.world.Store();
    NationRecords::SeedEmpty(store);
    // A king of old who is no player of this world; the others are crowned in play.
    NationRecords::SeedKings(store, {{1, u"Aldhelm the Elder", 0}});
}

void Act(SimServerState& s, std::int64_t nowMs) {
    if (s.OnlineCount() == 0) return;
    // The first server stands for the realm's economy: gathering every step.
    if (s.server->Number() == 1) {
        PubDataStore& store = s.server->Store();
        const std::size_t gathered = s.ServerTimes("resource_gathering");
        for (std::size_t n = 0; n < gathered; ++n)
            NationRecords::AddResource(store, s.Uniform(0, 4), s.Uniform(0, 4), s.Uniform(1, 100));
        // At noon every day Wei, Wu or Qin crowns a player of its own; Shu keeps
        // its king of old and Chu has none.
        const std::int64_t dayMs = nowMs % HostClock::kMsPerDay;
        if (dayMs == 12 * 3'600'000) {
            const int day = static_cast<int>(nowMs / HostClock::kMsPerDay);
            constexpr int kCrowning[] = {0, 2, 3};
            const int nation = kCrowning[day % 3];
            for (int tries = 0; tries < 50; ++tries) {
                const std::size_t i = s.Pick();
                const HostValue n = s.server->Kernel().Property(s.players[i], "Nation");
                if (TypeOfValue(n) == VT_INT && std::get<int>(n) == nation) {
                    NationRecords::CrownKing(store, nation, s.names[i], day);
                    break;
                }
            }
        }
    }
    for (std::size_t n = s.ServerTimes("nation_report_request"); n > 0; --n) s.Ask(s.Pick(), kNationRequest);
}

void Report(SimRun& run, SimReport& report) {
    ReportSection& s = report.Section("Nation report (Game.NationResource)", "nation_report");
    if (run.servers.empty()) {
        s.TextOnly("report", "none (the servers ran in processes of their own)");
        s.absent = true;
        return;
    }
    SimServerState& server = run.servers.front();
    if (server.players.empty() || server.server->VirtualRec() == nullptr) {
        s.TextOnly("report", "none (no requester)");
        s.absent = true;
        return;
    }
    CVarList ask;
    ask << kNationRequest;
    const ObjectId who = server.players[server.FirstOnline()];
    server.server->SendClientMessage(who, ask);
    const auto sent = server.server->VirtualRec()->SentTo(who);
    if (sent.empty()) {
        s.TextOnly("report", "none sent");
        s.JsonOnly("requester", Utf8(server.names.front()));
        s.JsonOnly("record", nullptr);
        return;
    }
    const CVarList& values = sent.back()->values;
    s.Text("requester", Utf8(server.names.front()));
    s.TextOnly("values", std::to_string(values.Size()));
    ReportTable& t = s.Table("", "");
    t.Column("nation")
        .Column("res 1", true)
        .Column("res 2", true)
        .Column("res 3", true)
        .Column("res 4", true)
        .Column("res 5", true)
        .Column("king")
        .Column("king online");
    for (std::size_t n = 0; n < 5 && (n + 1) * kValuesPerNation <= values.Size(); ++n) {
        const std::size_t at = n * kValuesPerNation;
        auto& row = t.AddRow();
        row.push_back(NationText(static_cast<int>(n)));
        for (std::size_t c = 0; c < 5; ++c) row.push_back(values.IntAt(at + c));
        const char16_t* king = values.WideStringAt(at + 5);
        const bool crowned = king != nullptr && *king != 0;
        row.push_back(crowned ? ReportCell(Utf8(king)) : ReportCell("-", nullptr));
        row.push_back(ReportCell(values.IntAt(at + 6) ? "yes" : "no", values.IntAt(at + 6) != 0));
    }
    s.JsonOnly("record", {{"values", values.Size()}, {"nations", t.ToJson()}});
}

const SimExtension kExtension{"nation report", 40, nullptr, Start, nullptr, Act, Report};
const SimExtensionRegistration kRegistration(kExtension);

}  // namespace
