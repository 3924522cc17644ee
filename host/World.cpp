#include "World.h"

World::World() : store_(std::make_unique<MemoryPubDataStore>()) {}

World::World(int count, const ServerOptions& options, std::unique_ptr<PubDataStore> store)
    : store_(store != nullptr ? std::move(store) : std::make_unique<MemoryPubDataStore>()) {
    for (int i = 0; i < count; ++i) AddServer(options);
}

World::~World() {
    for (auto& server : servers_) server->StopThread();
    servers_.clear();
}

Server& World::AddServer(const ServerOptions& options) {
    servers_.push_back(std::make_unique<Server>(*store_, static_cast<int>(servers_.size()) + 1, options));
    return *servers_.back();
}

bool World::StartAll() {
    bool all = true;
    for (auto& server : servers_) all = server->Start() && all;
    return all;
}

void World::StopAll() {
    for (auto& server : servers_) server->Stop();
}

void World::SetClock(int year, int month, int day, int hour, int minute, int second) {
    for (auto& server : servers_) server->Kernel().SetClock(year, month, day, hour, minute, second);
}

void World::Advance(std::int64_t ms) {
    for (auto& server : servers_) server->Kernel().Advance(ms);
}

std::string World::DiagnosticsText() const {
    std::string text;
    for (const auto& server : servers_) text += server->Kernel().Diagnostics().Joined();
    return text + store_->Diagnostics().Joined();
}
