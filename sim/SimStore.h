#pragma once
// The simulator's public data store: the in-memory one, or a world in Redis
// (when this build has the Redis part).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "SimReport.h"
#include "host/PubDataStore.h"

struct SimOptions;

// Null with one line (naming the address and the cause, never a password) when
// the store cannot be used; with fresh, the world's keys are removed first.
std::unique_ptr<PubDataStore> OpenSimStore(const SimOptions& options, bool fresh, std::string& error);
// "memory", or the Redis address without its password.
std::string SimStoreName(const SimOptions& options);
// This process's round trips to the store by operation ({"op": [calls, round trips]}),
// its reconnects, failed calls, lock releases ({"lock": n}) and failed tries of
// locks (lock_waits, and waits by lock); empty or 0 for the in-memory store.
Json SimStoreTrips(const PubDataStore& store);
// This process's round trips to the store so far, read without a lock; null for a store without round trips.
std::function<std::uint64_t()> SimStoreRoundTrips(const PubDataStore& store);
