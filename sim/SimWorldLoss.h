#pragma once
// A store that lost the world (a Redis restarted without its data) holds no
// lists any more; each server notices at its next step and sets its lists up
// again through its normal set-up path, the "OnSystemInit" event of its base
// scenes, which creates each list it finds missing. Nothing else is replayed.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class PubDataStore;
class Server;

class SimWorldLoss {
public:
    SimWorldLoss(const PubDataStore& store, std::size_t servers);
    // On server i's logic thread: sets its lists up again when the store lost
    // the world since server i last looked. The events raised.
    int SetUpAgainIfLost(std::size_t i, Server& server);
    std::uint64_t SetUps() const noexcept;

private:
    std::function<std::uint64_t()> lost_;  // the store's count of worlds lost; null for the in-memory store
    std::vector<std::uint64_t> seen_;      // by server: each touched by its own logic thread only
    std::vector<std::uint64_t> setUps_;
};
