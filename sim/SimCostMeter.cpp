#include "SimCostMeter.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {
// Costs above this are counted as this much: a bound on memory should a
// single action ever make millions of calls.
constexpr std::uint64_t kExactUpTo = 1 << 16;
}  // namespace

void SimCostMeter::Histogram::Add(std::uint64_t v) {
    const std::size_t at = static_cast<std::size_t>(std::min(v, kExactUpTo));
    if (at >= counts.size()) counts.resize(at + 1);
    ++counts[at];
}

void SimCostMeter::Histogram::Merge(const Histogram& other) {
    if (other.counts.size() > counts.size()) counts.resize(other.counts.size());
    for (std::size_t v = 0; v < other.counts.size(); ++v) counts[v] += other.counts[v];
}

Json SimCostMeter::Histogram::Summary() const {
    std::uint64_t n = 0, sum = 0;
    for (std::size_t v = 0; v < counts.size(); ++v) {
        n += counts[v];
        sum += counts[v] * v;
    }
    if (n == 0) return nullptr;
    // Nearest rank: the least value that at least p of the actions did not exceed.
    const auto percentile = [&](double p) {
        const auto rank = static_cast<std::uint64_t>(std::ceil(p * static_cast<double>(n)));
        std::uint64_t seen = 0;
        for (std::size_t v = 0; v < counts.size(); ++v)
            if ((seen += counts[v]) >= std::max<std::uint64_t>(rank, 1)) return static_cast<std::uint64_t>(v);
        return static_cast<std::uint64_t>(counts.size() - 1);
    };
    const double mean = static_cast<double>(sum) / static_cast<double>(n);
    return {{"min", percentile(0.0)},  {"p50", percentile(0.5)},   {"p90", percentile(0.9)},
            {"p99", percentile(0.99)}, {"max", counts.size() - 1}, {"mean", std::round(mean * 10.0) / 10.0}};
}

std::size_t SimCostMeter::KindNamed(const std::string& name) {
    for (std::size_t k = 0; k < kinds_.size(); ++k)
        if (kinds_[k].name == name) return k;
    kinds_.push_back({name, {}, {}});
    return kinds_.size() - 1;
}

void SimCostMeter::Add(std::size_t kind, Mark start, std::uint64_t kernelCalls) {
    Kind& k = kinds_[kind];
    k.calls.Add(kernelCalls - start.calls);
    if (trips_) k.trips.Add(trips_() - start.trips);
}

void SimCostMeter::Property(const char* property, Mark start, std::uint64_t kernelCalls) {
    for (const Key& key : keys_)
        if (key.literal == property) return Add(key.kind, start, kernelCalls);
    const std::size_t kind = KindNamed(std::string("change of ") + property);
    keys_.push_back({property, 0, kind});
    Add(kind, start, kernelCalls);
}

void SimCostMeter::Request(int message, Mark start, std::uint64_t kernelCalls) {
    for (const Key& key : keys_)
        if (key.literal == nullptr && key.message == message) return Add(key.kind, start, kernelCalls);
    const std::size_t kind = KindNamed("client request " + std::to_string(message));
    keys_.push_back({nullptr, message, kind});
    Add(kind, start, kernelCalls);
}

void SimCostMeter::Named(const char* name, Mark start, std::uint64_t kernelCalls) {
    for (const Key& key : keys_)
        if (key.literal == name) return Add(key.kind, start, kernelCalls);
    const std::size_t kind = KindNamed(name);
    keys_.push_back({name, 0, kind});
    Add(kind, start, kernelCalls);
}

void SimCostMeter::Merge(const SimCostMeter& other) {
    for (const Kind& k : other.kinds_) {
        Kind& mine = kinds_[KindNamed(k.name)];
        mine.calls.Merge(k.calls);
        mine.trips.Merge(k.trips);
    }
}

Json SimCostMeter::ToJson() const {
    // Only the values that occurred: [[value, count], ...].
    const auto pairs = [](const Histogram& h) {
        Json out = Json::array();
        for (std::size_t v = 0; v < h.counts.size(); ++v)
            if (h.counts[v] != 0) out.push_back({v, h.counts[v]});
        return out;
    };
    Json out = Json::object();
    for (const Kind& k : kinds_) out[k.name] = {{"calls", pairs(k.calls)}, {"trips", pairs(k.trips)}};
    return out;
}

void SimCostMeter::MergeJson(const Json& sent) {
    if (!sent.is_object()) return;
    for (const auto& [name, kind] : sent.items()) {
        Kind& k = kinds_[KindNamed(name)];
        for (const auto& [histogram, key] : {std::pair{&k.calls, "calls"}, std::pair{&k.trips, "trips"}}) {
            for (const Json& pair : kind.value(key, Json::array())) {
                const auto v = static_cast<std::size_t>(std::min(pair[0].get<std::uint64_t>(), kExactUpTo));
                if (v >= histogram->counts.size()) histogram->counts.resize(v + 1);
                histogram->counts[v] += pair[1].get<std::uint64_t>();
            }
        }
    }
}

Json SimCostMeter::Report(bool withTrips) const {
    std::map<std::string, const Kind*> byName;
    for (const Kind& k : kinds_) byName[k.name] = &k;
    Json out = Json::array();
    for (const auto& [name, k] : byName) {
        std::uint64_t n = 0;
        for (std::uint64_t c : k->calls.counts) n += c;
        out.push_back({{"operation", name},
                       {"count", n},
                       {"kernel_calls", k->calls.Summary()},
                       {"round_trips", withTrips ? k->trips.Summary() : Json()}});
    }
    return out;
}
