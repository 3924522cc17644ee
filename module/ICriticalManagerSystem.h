#pragma once
// Sibling that dispatches watched property changes to named callbacks.
#include "IModule.h"
#include "KernelCallbacks.h"

class ICriticalManagerSystem : public IModule {
public:
    // Makes func known under name ("Class::Method"); called once per name in AfterInit.
    virtual bool DeclarePropertyCallback(IKernel* kernel, PropertyCallback func, const char* name) = 0;
    // From now on every change of that property of obj calls the named callback.
    virtual bool AddPropertyWatch(IKernel* kernel, const ObjectId& obj, const char* property,
                                  const char* callbackName) = 0;
};
