#pragma once
// A logic module as the host drives it. Slot order: destructor, Init, AfterInit, Shut.
#include "BoundaryAbi.h"

class IKernel;

class IModule {
public:
#if VOGAME_MSVC_LAYOUT
    VOGAME_DELETING_DESTRUCTOR_SLOT(IModule)
#else
    virtual ~IModule() = default;
#endif
    virtual bool Init(IKernel* /*kernel*/) { return true; }
    virtual bool AfterInit(IKernel* /*kernel*/) { return true; }
    virtual bool Shut() { return true; }
};
