#pragma once
// Win-streak leaderboard: players whose "CompeteAlwaysWin" reaches the configured
// minimum are ranked in L"Pub_TopAlwaysWin" / "PlayerTopAlwaysWinRec"; once a day
// the leader receives a prize letter and the list starts again empty.
#include "../module/IModule.h"

class IPlayerTopAlwaysWinSystem : public IModule {};

class PlayerTopAlwaysWinSystem : public IPlayerTopAlwaysWinSystem {
public:
    bool Init(IKernel* kernel) override;
    bool AfterInit(IKernel* kernel) override;
    bool Shut() override;
};
