#pragma once
#include "../module/IModule.h"

class IPlayerTopSystem : public IModule {};

class PlayerTopSystem final : public IPlayerTopSystem {
public:
    bool Init(IKernel* kernel) override;
    bool AfterInit(IKernel* kernel) override;
    bool Shut() override;
};
