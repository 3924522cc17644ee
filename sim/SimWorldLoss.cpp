#include "SimWorldLoss.h"

#include "host/Server.h"
#ifdef VOGAME_HAVE_REDIS
#include "host/RedisPubDataStore.h"
#endif

SimWorldLoss::SimWorldLoss(const PubDataStore& store, std::size_t servers) : seen_(servers, 0), setUps_(servers, 0) {
#ifdef VOGAME_HAVE_REDIS
    if (const auto* redis = dynamic_cast<const RedisPubDataStore*>(&store))
        lost_ = [redis] { return redis->WorldsLost(); };
#else
    (void)store;
#endif
}

int SimWorldLoss::SetUpAgainIfLost(std::size_t i, Server& server) {
    if (!lost_) return 0;
    const std::uint64_t lost = lost_();
    if (lost == seen_[i]) return 0;
    seen_[i] = lost;
    ++setUps_[i];
    int ran = 0;
    HostKernel& kernel = server.Kernel();
    for (const ObjectId& scene : kernel.Scenes())
        if (kernel.IsA(scene, "BaseScene")) ran += kernel.RaiseEvent(scene, "OnSystemInit");
    return ran;
}

std::uint64_t SimWorldLoss::SetUps() const noexcept {
    std::uint64_t n = 0;
    for (std::uint64_t s : setUps_) n += s;
    return n;
}
