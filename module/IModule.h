#pragma once
// A logic module as the host drives it. Slot order: destructor, Init, AfterInit, Shut.
class IKernel;

class IModule {
public:
    virtual ~IModule() = default;
    virtual bool Init(IKernel* /*kernel*/) { return true; }
    virtual bool AfterInit(IKernel* /*kernel*/) { return true; }
    virtual bool Shut() { return true; }
};
