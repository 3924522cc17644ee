#pragma once
// A world: one public data store shared by N servers (a MemoryPubDataStore
// unless another store is given).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MemoryPubDataStore.h"
#include "PubDataStore.h"
#include "Server.h"

class World {
public:
    World();
    // count servers with the same options (not started yet), over the given store or a fresh in-memory one.
    explicit World(int count, const ServerOptions& options = {}, std::unique_ptr<PubDataStore> store = nullptr);
    ~World();  // servers first, then the store
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    Server& AddServer(const ServerOptions& options = {});      // numbered from 1
    Server& server(std::size_t i) { return *servers_.at(i); }  // 0-based
    std::size_t ServerCount() const noexcept { return servers_.size(); }
    PubDataStore& Store() noexcept { return *store_; }

    bool StartAll();  // true when every server started
    void StopAll();
    // Sets every server's clock / advances every server's clock in turn.
    void SetClock(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    void Advance(std::int64_t ms);
    // Every server's and the store's diagnostics; empty when clean.
    std::string DiagnosticsText() const;

private:
    std::unique_ptr<PubDataStore> store_;
    std::vector<std::unique_ptr<Server>> servers_;
};
