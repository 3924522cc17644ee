#pragma once
#include "../module/IModule.h"

class NationResourceTopSystem final : public IModule {
public:
    bool Init(IKernel* kernel) override;
    bool AfterInit(IKernel* kernel) override;
    bool Shut() override;
};
