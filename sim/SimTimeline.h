#pragma once
// The course of a run: figures sampled once per simulated hour (at the end of
// the first clock step that reaches it), so a run of 72 hours keeps 72 samples
// whatever its size. Per list: its rows, the value at rank 1 and at the last
// rank, the players who came into it, left it or changed rank since the last
// sample, and its locked rewrites. Per server: its locked rewrites, failed lock
// tries, waits, takeovers and kernel calls in the hour; over Redis the round
// trips of every process. The report's "timeline" section (JSON only) carries
// them with what each kind of action cost (SimCostMeter).
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "SimLists.h"
#include "SimReport.h"

class PubDataStore;
class Server;
class SimCostMeter;

// One server's counters since its first start, as they stand (they only grow).
struct SimServerCounters {
    int server = 0;
    std::uint64_t kernelCalls = 0;
    std::uint64_t lockTakes = 0, failedLockTries = 0, lockWaits = 0, takeovers = 0;
    std::uint64_t refusedRewrites = 0;  // rewrites given up: the lock was taken over while held
    std::uint64_t roundTrips = 0;       // this server's process's, with servers in processes of their own

    // Of a server in this process; roundTrips stays 0.
    static SimServerCounters Of(Server& server);
    // Takeovers and rewrites given up, from the library's lines in a server's log.
    void CountLibraryLog(const std::vector<std::string>& logs);
    // A server process sends its counters with its figures; the parent adds up
    // every process that ran the server (a killed one's as it died).
    Json ToJson() const;
    void Add(const Json& sent);
};

class SimTimeline {
public:
    static constexpr std::int64_t kSampleMs = 3'600'000;

    SimTimeline(const PubDataStore& store, std::int64_t startMs, int servers);

    // True when a clock step that ended at endMs completes the next hour, or
    // when it is the run's last and something happened since the last sample.
    bool Due(std::int64_t endMs, bool last) const noexcept {
        return endMs - startMs_ >= nextMs_ || (last && endMs > lastMs_);
    }
    // A sample at endMs (the end of the hour's clock step, or of the run): the lists as the store holds them, the counters given
    // (one per server, in server order), the locked rewrites of each list so far
    // (player, charm, win streak) and, over Redis, every process's round trips so far.
    void Sample(std::int64_t endMs, const std::vector<SimServerCounters>& servers, const SimListFigures& listRewrites,
                std::optional<std::uint64_t> roundTrips);
    // The same figures as the clock starts, so the first hour counts play, not the logins before it.
    void Begin(const std::vector<SimServerCounters>& servers, const SimListFigures& listRewrites,
               std::optional<std::uint64_t> roundTrips);

    // The report's section; costs are every server's, merged.
    void Report(SimReport& report, const SimCostMeter& costs, bool redis) const;

private:
    struct ListSeries {
        Json rows = Json::array(), rank1 = Json::array(), last = Json::array();
        Json entered = Json::array(), left = Json::array(), rankChanges = Json::array(), rewrites = Json::array();
        std::map<std::u16string, int> ranks;  // at the last sample, by name
        std::uint64_t rewritesBefore = 0;
    };
    struct ServerSeries {
        Json rewrites = Json::array(), failed = Json::array(), waits = Json::array(), takeovers = Json::array();
        Json refused = Json::array();
        Json kernelCalls = Json::array();
        SimServerCounters before;
    };
    void SampleList(std::size_t list, std::uint64_t rewrites, bool keep);
    void Take(const std::vector<SimServerCounters>& servers, const SimListFigures& listRewrites,
              std::optional<std::uint64_t> roundTrips, bool keep);

    const PubDataStore& store_;
    std::int64_t startMs_;
    std::int64_t nextMs_ = kSampleMs;  // from the start
    std::int64_t lastMs_;              // the last sample's time
    Json samples_ = Json::array();
    std::array<ListSeries, kSimListCount> lists_;
    std::vector<ServerSeries> servers_;
    Json roundTrips_ = Json::array();
    std::uint64_t tripsBefore_ = 0;
};
