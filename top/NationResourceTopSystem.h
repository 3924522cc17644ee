#pragma once
// The nation resource report: on custom message 73003 gathers each nation's five
// resource values, its king's name and whether that king is online, and hands
// them to the VirtualRecSystem sibling as the virtual record "Game.NationResource".
// The object holds no data; the module's state lives in its source file.
#include "../module/IModule.h"

class NationResourceTopSystem : public IModule {
public:
    bool Init(IKernel* kernel) override;
    bool AfterInit(IKernel* kernel) override;
    bool Shut() override;
};
