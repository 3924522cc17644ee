#pragma once
// What each kind of the simulator's actions costs the host: the kernel calls the
// library made while the action ran (a property change and the watches it
// fired, a client's list request and its reply, a clock step and the timed work
// in it) and, over Redis, the round trips to the store. Every cost is kept
// exactly, one count per value, so the percentiles in the report are true ones.
//
// One meter per server, touched only by the thread that drives that server;
// the report merges them (and those that server processes sent).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "SimReport.h"

class SimCostMeter {
public:
    // Round trips to the store so far (null: a store without round trips).
    void CountTripsWith(std::function<std::uint64_t()> trips) { trips_ = std::move(trips); }

    struct Mark {
        std::uint64_t calls = 0, trips = 0;
    };
    // The counters before an action, given the kernel calls so far.
    Mark Start(std::uint64_t kernelCalls) const { return {kernelCalls, trips_ ? trips_() : 0}; }
    // The action since start was a change of this property / a client's request /
    // the kind named (a literal: it is found by its address after the first time).
    void Property(const char* property, Mark start, std::uint64_t kernelCalls);
    void Request(int message, Mark start, std::uint64_t kernelCalls);
    void Named(const char* kind, Mark start, std::uint64_t kernelCalls);

    void Merge(const SimCostMeter& other);
    // Every kind's counts, for a server process to hand to its parent, and back.
    Json ToJson() const;
    void MergeJson(const Json& sent);
    // Per kind, by name: the actions, and the kernel calls and round trips each
    // made (least, median, 90th and 99th percentile, most, mean).
    Json Report(bool withTrips) const;

private:
    // Counts by value: counts[v] actions cost v.
    struct Histogram {
        std::vector<std::uint64_t> counts;
        void Add(std::uint64_t v);
        void Merge(const Histogram& other);
        Json Summary() const;
    };
    struct Kind {
        std::string name;
        Histogram calls, trips;
    };
    struct Key {
        const void* literal = nullptr;
        int message = 0;
        std::size_t kind = 0;
    };
    std::size_t KindNamed(const std::string& name);
    void Add(std::size_t kind, Mark start, std::uint64_t kernelCalls);

    std::function<std::uint64_t()> trips_;
    std::vector<Kind> kinds_;
    std::vector<Key> keys_;  // a few dozen: searched in a line
};
