// The lines the library wrote to the servers' logs (WriteLog), counted by kind
// and quoted, so that what a real server's log would show of the run is in the
// report: takeovers, rewrites given up, prize letters, rule-file faults, bad
// settings, missing siblings, lists that could not be re-created. The kinds follow the host
// contract's log-line catalogue (docs/host-contract.md).
#include <string>
#include <string_view>
#include <vector>

#include "SimExtension.h"
#include "SimReport.h"

namespace {

struct Kind {
    const char* name;
    const char* starts;    // the line starts with this, or
    const char* contains;  // holds this
    bool alert;
};

// The first kind a line fits; "other" (worth a look) when none.
const Kind kKinds[] = {
    {"lock taken over", nullptr, "taken over as left by a stopped server", true},
    {"rewrite given up", nullptr, "rewrite is given up", true},
    {"store answers again", nullptr, "answers the list locks again", false},
    {"daily prize letter", "PlayerTopAlwaysWinSystem: sending the daily prize letter", nullptr, false},
    {"daily prize letter not sent", "PlayerTopAlwaysWinSystem: the daily prize letter to", nullptr, false},
    {"bad setting", nullptr, "VOGAME_LOCK_STALE_MS=", true},
    {"rule file", "Rule file ", nullptr, true},
    {"missing sibling", "Not exist ", nullptr, true},
    {"missing sibling", ".\\", nullptr, true},  // the location line after it
    {"list not re-created", nullptr, "re-creat", true},
};
const Kind kOther = {"other", nullptr, nullptr, true};

const Kind& KindOf(std::string_view line) {
    for (const Kind& k : kKinds) {
        if (k.starts != nullptr && line.substr(0, std::string_view(k.starts).size()) == k.starts) return k;
        if (k.contains != nullptr && line.find(k.contains) != std::string_view::npos) return k;
    }
    return kOther;
}

// This process's servers' lines, each with its server.
std::vector<std::string> LocalLines(SimRun& run) {
    std::vector<std::string> lines;
    for (const SimServerState& s : run.servers) {
        if (s.server == nullptr) continue;
        for (const std::string& line : s.server->Kernel().Logs())
            lines.push_back("server " + std::to_string(s.server->Number()) + ": " + line);
    }
    return lines;
}

Json Gather(SimRun& run) { return LocalLines(run); }

void Report(SimRun& run, SimReport& report) {
    std::vector<std::string> lines = LocalLines(run);
    if (run.gathered != nullptr && run.gathered->count("library log") != 0) {
        for (const Json& f : run.gathered->at("library log"))
            for (const Json& line : f) lines.push_back(line.get<std::string>());
    }
    ReportSection& s = report.Section("Library log", "library_log");
    s.Number("lines", static_cast<std::int64_t>(lines.size()), "line_count");
    std::vector<std::pair<const Kind*, std::int64_t>> counts;
    for (const std::string& line : lines) {
        const std::string_view text = std::string_view(line).substr(line.find(": ") + 2);
        const Kind& kind = KindOf(text);
        auto at = counts.begin();
        while (at != counts.end() && std::string_view(at->first->name) != kind.name) ++at;
        if (at == counts.end()) {
            counts.emplace_back(&kind, 1);
        } else {
            ++at->second;
        }
    }
    ReportTable& byKind = s.Table("By kind", "by_kind");
    byKind.Column("kind").Column("lines", true).Column("alert");
    for (const auto& [kind, n] : counts)
        byKind.AddRow() = {kind->name, n, ReportCell(kind->alert ? "yes" : "no", kind->alert)};
    QuoteFirstLines(s, "First lines", lines);
}

const SimExtension kExtension{
    .name = "library log",
    .order = 90,  // after the leaderboards, before the host's own diagnostics
    .report = Report,
    .gather = Gather,
};
const SimExtensionRegistration kRegistration(kExtension);

}  // namespace
