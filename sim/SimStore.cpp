#include "SimStore.h"

#include "SimOptions.h"
#include "host/MemoryPubDataStore.h"
#ifdef VOGAME_HAVE_REDIS
#include "host/RedisPasswordFile.h"
#include "host/RedisPubDataStore.h"
#endif

std::unique_ptr<PubDataStore> OpenSimStore(const SimOptions& options, bool fresh, std::string& error) {
    if (options.store == "memory") return std::make_unique<MemoryPubDataStore>();
#ifdef VOGAME_HAVE_REDIS
    RedisAddress address;
    if (!RedisAddress::Parse(options.store, address, error)) return nullptr;
    if (!options.storePasswordFile.empty() &&
        !ReadRedisPasswordFile(options.storePasswordFile, address.password, error))
        return nullptr;
    const std::string role = options.serverRole != 0 ? "server" + std::to_string(options.serverRole) : "sim";
    std::unique_ptr<RedisPubDataStore> store = RedisPubDataStore::Open(address, error, role);
    if (store == nullptr) return nullptr;
    if (fresh && !store->RemoveWorld(error)) {
        error = "cannot clear the world " + address.prefix + " in " + address.Describe() + ": " + error;
        return nullptr;
    }
    return store;
#else
    (void)fresh;
    error = "this build has no Redis store (built without VOGAME_REDIS)";
    return nullptr;
#endif
}

std::string SimStoreName(const SimOptions& options) {
    if (options.store == "memory") return "memory";
#ifdef VOGAME_HAVE_REDIS
    RedisAddress address;
    std::string error;
    if (RedisAddress::Parse(options.store, address, error)) return address.Describe();
#endif
    return "redis";
}

Json SimStoreTrips(const PubDataStore& store) {
    Json out = {{"operations", Json::object()}, {"reconnects", 0}, {"failed_calls", 0},
                {"releases", Json::object()},   {"lock_waits", 0}, {"waits", Json::object()}};
#ifdef VOGAME_HAVE_REDIS
    if (const auto* redis = dynamic_cast<const RedisPubDataStore*>(&store)) {
        for (const auto& [op, t] : redis->TripsByOperation()) out["operations"][op] = {t.calls, t.trips};
        out["reconnects"] = redis->Reconnects();
        out["failed_calls"] = redis->FailedCalls();
        for (const auto& [name, n] : redis->Releases()) out["releases"][name] = n;
        out["lock_waits"] = redis->CompareSetFailuresTotal();
        for (const auto& kv : redis->Failures()) out["waits"][kv.first] = kv.second;
    }
#else
    (void)store;
#endif
    return out;
}

std::function<std::uint64_t()> SimStoreRoundTrips(const PubDataStore& store) {
#ifdef VOGAME_HAVE_REDIS
    if (const auto* redis = dynamic_cast<const RedisPubDataStore*>(&store))
        return [redis] { return redis->RoundTrips(); };
#else
    (void)store;
#endif
    return nullptr;
}
