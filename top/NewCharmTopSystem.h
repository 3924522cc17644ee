#pragma once
#include "../module/IModule.h"

class NewCharmTopSystem final : public IModule {
public:
    bool Init(IKernel* kernel) override;
    bool AfterInit(IKernel* kernel) override;
    bool Shut() override;
};
