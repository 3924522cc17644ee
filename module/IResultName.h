#pragma once
// Holder for one wide-string name that a callee fills in. Slot order is part of
// the host boundary.
#include "BoundaryAbi.h"

class IResultName {
public:
#if VOGAME_MSVC_LAYOUT
    VOGAME_DELETING_DESTRUCTOR_SLOT(IResultName)
#else
    virtual ~IResultName() = 0;
#endif
    virtual void SetName(const char16_t* name) = 0;
    virtual const char16_t* GetName() const = 0;
};

#if !VOGAME_MSVC_LAYOUT
inline IResultName::~IResultName() = default;
#endif
