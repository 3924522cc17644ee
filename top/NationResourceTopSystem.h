#pragma once
// The nation resource report: on custom message 73003 gathers each nation's five
// resource values, its king's name and whether that king is online, and hands
// them to the VirtualRecSystem sibling as the virtual record "Game.NationResource".
#include "../Utility/IVarList.h"
#include "../Utility/ObjectId.h"
#include "../module/IModule.h"

class IKernel;

class NationResourceTopSystem final : public IModule {
public:
    bool Init(IKernel* kernel) override;
    bool AfterInit(IKernel* kernel) override;
    bool Shut() override;

    // 1 when the record was sent, 0 when the nation records are missing or short.
    static int SendNationResource(IKernel* kernel, const ObjectId& self, const ObjectId& sender,
                                  const IVarList& args);
};
