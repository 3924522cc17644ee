#include "SimExtension.h"

#include <cstdio>

#include "SimReport.h"
#include "host/HostClock.h"

std::vector<const SimExtension*>& SimExtensions() {
    static std::vector<const SimExtension*> extensions;
    return extensions;
}

void SimServerState::LogIn(std::size_t i) {
    constexpr int kCommandPlayerReady = 1009;  // the host's command to a player that has finished loading
    CVarList ready;
    ready << kCommandPlayerReady;
    const SimCostMeter::Mark start = costs.Start(server->Kernel().KernelCalls());
    server->LoginPlayer(players[i]);
    server->RunCommand(players[i], ready);
    costs.Named("login (load and ready)", start, server->Kernel().KernelCalls());
}

void SimServerState::Set(std::size_t i, const char* property, const HostValue& value) {
    if (!Online(i)) return;
    const SimCostMeter::Mark start = costs.Start(server->Kernel().KernelCalls());
    server->SetProperty(players[i], property, value);
    costs.Property(property, start, server->Kernel().KernelCalls());
    ++changes;
}

void SimServerState::Ask(std::size_t i, int message) {
    if (!ask || !Online(i)) return;
    CVarList msg;
    msg << message;
    const SimCostMeter::Mark start = costs.Start(server->Kernel().KernelCalls());
    server->SendClientMessage(players[i], msg);
    costs.Request(message, start, server->Kernel().KernelCalls());
    // Nothing reads a reply during the run (the report asks afresh), and a list
    // reply is thousands of values: kept, they would outweigh the world.
    server->Kernel().ClearInbox(players[i]);
    ++requests[message];
}

void SimServerState::Advance(std::int64_t ms) {
    const SimCostMeter::Mark start = costs.Start(server->Kernel().KernelCalls());
    const std::size_t daily = server->EventTime() ? server->EventTime()->Fired() : 0;
    server->Kernel().Advance(ms);
    // Most steps run nothing; those that do run the hourly re-sorts, and once a
    // day the daily event (the prize, the list emptied, the streaks reset) too.
    if (server->Kernel().KernelCalls() == start.calls) return;
    const bool prize = server->EventTime() && server->EventTime()->Fired() != daily;
    costs.Named(prize ? "clock step with the daily event" : "clock step with the hourly re-sorts", start,
                server->Kernel().KernelCalls());
}

int SimServerState::Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }

bool SimServerState::Chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(rng) < p; }

namespace {
std::string FormatTime(std::int64_t ms, bool iso) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    HostClock::SplitDate(HostClock::DateValueOf(ms), year, month, day);
    HostClock::SplitTime(HostClock::TimeValueOf(ms), hour, minute, second);
    char text[32];
    if (iso) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute, second);
    } else {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", year, month, day, hour, minute);
    }
    return text;
}
}  // namespace

std::string DateTimeText(std::int64_t ms) { return FormatTime(ms, false); }
std::string IsoTimeText(std::int64_t ms) { return FormatTime(ms, true); }

void QuoteFirstLines(ReportSection& s, const std::string& title, const std::vector<std::string>& lines) {
    constexpr std::size_t kShown = 20;
    ReportTable& t = s.Table(title, "");
    t.Column("line");
    Json shown = Json::array();
    for (std::size_t i = 0; i < lines.size() && i < kShown; ++i) {
        t.AddRow() = {lines[i]};
        shown.push_back(lines[i]);
    }
    if (lines.size() > kShown) t.AddRow() = {"... " + std::to_string(lines.size() - kShown) + " more"};
    s.JsonOnly("first_lines", std::move(shown));
}

std::string ValueText(const HostValue& value) {
    switch (TypeOfValue(value)) {
        case VT_INT: return std::to_string(std::get<int>(value));
        case VT_FLOAT: return std::to_string(std::get<float>(value));
        case VT_STRING: return std::get<std::string>(value);
        case VT_WIDESTR: return Utf8(std::get<std::u16string>(value));
        case VT_INT64: return std::to_string(std::get<std::int64_t>(value));
        case VT_OBJECT: {
            const ObjectId id = std::get<ObjectId>(value);
            return std::to_string(id.ident) + "." + std::to_string(id.serial);
        }
        default: return {};
    }
}
