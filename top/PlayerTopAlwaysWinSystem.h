#pragma once
#include "../module/IModule.h"

class IPlayerTopAlwaysWinSystem : public IModule {};

class PlayerTopAlwaysWinSystem final : public IPlayerTopAlwaysWinSystem {
public:
    bool Init(IKernel* kernel) override;
    bool AfterInit(IKernel* kernel) override;
    bool Shut() override;
};
