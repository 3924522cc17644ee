#pragma once
// The player leaderboard: up to 150 players ranked by level in the public record
// "PlayerToplistRec" of L"Pub_PlayerTopInfo", kept current by watched property
// changes, re-sorted every hour and sent to clients on request (140911 -> 100721).
// The object holds no data; the module's state lives in its source file.
#include "../module/IModule.h"

class IPlayerTopSystem : public IModule {};

class PlayerTopSystem : public IPlayerTopSystem {
public:
    bool Init(IKernel* kernel) override;
    bool AfterInit(IKernel* kernel) override;
    bool Shut() override;
};
