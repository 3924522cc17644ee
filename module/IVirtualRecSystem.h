#pragma once
// Sibling that hands a virtual record to an object's client.
#include "IVarList.h"
#include "IModule.h"

class IVirtualRecSystem : public IModule {
public:
    // The values reach obj as the record recName.
    virtual bool SendVirtualRecord(IKernel* kernel, const ObjectId& obj, const char* recName,
                                   const IVarList& values) = 0;
};
