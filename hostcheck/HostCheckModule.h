#pragma once
// The host check as one module: it stands where the library's four modules
// stand, receives what they would receive and calls what they would call, and
// writes its findings (CheckResults.h). Its state is module-level, as the
// library's is. Its file also holds the creator list and the two exports.
#include "../module/IModule.h"

class HostCheckModule : public IModule {
public:
    bool Init(IKernel* kernel) override;
    bool AfterInit(IKernel* kernel) override;
    // Writes the closing line to the file when the events never all came.
    bool Shut() override;
};
