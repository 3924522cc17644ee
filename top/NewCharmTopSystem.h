#pragma once
// The charm leaderboard: up to 150 players ranked by "Charm", kept in the public
// record "CharmTopRec" of L"Pub_CharmTopInfo". The object holds no data; the
// module's state lives in its source file.
#include "../module/IModule.h"

class NewCharmTopSystem : public IModule {
public:
    bool Init(IKernel* kernel) override;
    bool AfterInit(IKernel* kernel) override;
    bool Shut() override;
};
