#include "SimTimeline.h"

#include "SimCostMeter.h"
#include "SimExtension.h"
#include "SimLists.h"
#include "host/ListInvariants.h"
#include "host/PubDataStore.h"
#include "host/Server.h"

SimServerCounters SimServerCounters::Of(Server& server) {
    SimServerCounters c;
    c.server = server.Number();
    HostKernel& kernel = server.Kernel();
    c.kernelCalls = kernel.KernelCalls();
    c.lockTakes = kernel.LockCounts().takes;
    c.failedLockTries = kernel.LockCounts().failed;
    c.lockWaits = kernel.LockCounts().waits;
    c.CountLibraryLog(kernel.Logs());
    return c;
}

void SimServerCounters::CountLibraryLog(const std::vector<std::string>& logs) {
    // One pass over the log for both: a takeover's line and a fenced holder's.
    takeovers = refusedRewrites = 0;
    for (const std::string& line : logs) {
        if (line.find("taken over as left") != std::string::npos)
            ++takeovers;
        else if (line.find("rewrite is given up") != std::string::npos)
            ++refusedRewrites;
    }
}

Json SimServerCounters::ToJson() const {
    return {kernelCalls, lockTakes, failedLockTries, lockWaits, takeovers, roundTrips, refusedRewrites};
}

void SimServerCounters::Add(const Json& sent) {
    if (!sent.is_array() || sent.size() != 7) return;
    kernelCalls += sent[0].get<std::uint64_t>();
    lockTakes += sent[1].get<std::uint64_t>();
    failedLockTries += sent[2].get<std::uint64_t>();
    lockWaits += sent[3].get<std::uint64_t>();
    takeovers += sent[4].get<std::uint64_t>();
    roundTrips += sent[5].get<std::uint64_t>();
    refusedRewrites += sent[6].get<std::uint64_t>();
}

SimTimeline::SimTimeline(const PubDataStore& store, std::int64_t startMs, int servers)
    : store_(store), startMs_(startMs), lastMs_(startMs), servers_(static_cast<std::size_t>(servers)) {}

void SimTimeline::SampleList(std::size_t i, std::uint64_t rewrites, bool keep) {
    const ListInvariants::ListShape& shape = ListInvariants::kAllLists[i];
    ListSeries& s = lists_[i];
    const auto list = store_.Snapshot(shape.space, shape.record);
    std::map<std::u16string, int> ranks;
    Json rank1, last;
    std::size_t rows = 0;
    if (list) {
        rows = list->rows.size();
        for (std::size_t r = 0; r < list->rows.size(); ++r) {
            const auto& row = list->rows[r];
            if (row.empty() || TypeOfValue(row[0]) != VT_WIDESTR || std::get<std::u16string>(row[0]).empty())
                continue;  // the player list's unnamed rows of defaults
            ranks.emplace(std::get<std::u16string>(row[0]), static_cast<int>(r));
            const auto col = static_cast<std::size_t>(shape.rankColumn);
            const Json value =
                col < row.size() && TypeOfValue(row[col]) == VT_INT ? Json(std::get<int>(row[col])) : Json();
            if (rank1.is_null()) rank1 = value;
            last = value;
        }
    }
    if (!keep) {
        s.ranks = std::move(ranks);
        s.rewritesBefore = rewrites;
        return;
    }
    std::uint64_t entered = 0, changed = 0, left = 0;
    for (const auto& [name, rank] : ranks) {
        const auto before = s.ranks.find(name);
        if (before == s.ranks.end()) {
            ++entered;
        } else if (before->second != rank) {
            ++changed;
        }
    }
    for (const auto& [name, rank] : s.ranks)
        if (ranks.find(name) == ranks.end()) ++left;
    s.rows.push_back(rows);
    s.rank1.push_back(rank1);
    s.last.push_back(last);
    s.entered.push_back(entered);
    s.left.push_back(left);
    s.rankChanges.push_back(changed);
    s.rewrites.push_back(rewrites - s.rewritesBefore);
    s.rewritesBefore = rewrites;
    s.ranks = std::move(ranks);
}

void SimTimeline::Sample(std::int64_t endMs, const std::vector<SimServerCounters>& servers,
                         const SimListFigures& listRewrites, std::optional<std::uint64_t> roundTrips) {
    samples_.push_back(IsoTimeText(endMs));
    lastMs_ = endMs;
    nextMs_ = (endMs - startMs_) / kSampleMs * kSampleMs + kSampleMs;
    Take(servers, listRewrites, roundTrips, true);
}

void SimTimeline::Begin(const std::vector<SimServerCounters>& servers, const SimListFigures& listRewrites,
                        std::optional<std::uint64_t> roundTrips) {
    Take(servers, listRewrites, roundTrips, false);
}

void SimTimeline::Take(const std::vector<SimServerCounters>& servers, const SimListFigures& listRewrites,
                       std::optional<std::uint64_t> roundTrips, bool keep) {
    for (std::size_t i = 0; i < lists_.size(); ++i) SampleList(i, listRewrites[i], keep);
    for (std::size_t i = 0; i < servers_.size() && i < servers.size(); ++i) {
        ServerSeries& s = servers_[i];
        const SimServerCounters& now = servers[i];
        if (keep) {
            // A takeover goes on as a locked rewrite without taking the lock afresh.
            const std::uint64_t rewrites = now.lockTakes + now.takeovers;
            s.rewrites.push_back(rewrites - s.before.lockTakes - s.before.takeovers);
            s.failed.push_back(now.failedLockTries - s.before.failedLockTries);
            s.waits.push_back(now.lockWaits - s.before.lockWaits);
            s.takeovers.push_back(now.takeovers - s.before.takeovers);
            s.refused.push_back(now.refusedRewrites - s.before.refusedRewrites);
            s.kernelCalls.push_back(now.kernelCalls - s.before.kernelCalls);
        }
        s.before = now;
    }
    if (roundTrips) {
        if (keep) roundTrips_.push_back(*roundTrips - tripsBefore_);
        tripsBefore_ = *roundTrips;
    }
}

void SimTimeline::Report(SimReport& report, const SimCostMeter& costs, bool redis) const {
    ReportSection& s = report.Section("", "timeline");
    s.JsonOnly("sample_minutes", kSampleMs / 60'000);
    s.JsonOnly("samples", samples_);
    Json lists = Json::array();
    for (std::size_t i = 0; i < lists_.size(); ++i) {
        const ListSeries& l = lists_[i];
        lists.push_back({{"list", SimListName(ListInvariants::kAllLists[i])},
                         {"value", SimListValueName(ListInvariants::kAllLists[i])},
                         {"rows", l.rows},
                         {"rank_1", l.rank1},
                         {"last_rank", l.last},
                         {"entered", l.entered},
                         {"left", l.left},
                         {"rank_changes", l.rankChanges},
                         {"locked_rewrites", l.rewrites}});
    }
    s.JsonOnly("lists", std::move(lists));
    Json servers = Json::array();
    for (std::size_t i = 0; i < servers_.size(); ++i) {
        const ServerSeries& v = servers_[i];
        servers.push_back({{"server", i + 1},
                           {"locked_rewrites", v.rewrites},
                           {"failed_lock_tries", v.failed},
                           {"waited_takes", v.waits},
                           {"takeovers", v.takeovers},
                           {"refused_writes", v.refused},
                           {"kernel_calls", v.kernelCalls}});
    }
    s.JsonOnly("servers", std::move(servers));
    s.JsonOnly("round_trips", redis ? roundTrips_ : Json());
    s.JsonOnly("operations", costs.Report(redis));
}
