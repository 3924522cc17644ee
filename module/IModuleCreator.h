#pragma once
// Makes one module. The host walks the creators by reading `next`, so the object
// layout (virtual table pointer, then `next`, then `module`) is part of the
// boundary; slot order: GetModuleName, destructor, GetModule.
#include <cstddef>

#include "IModule.h"

class IModuleCreator {
public:
    IModuleCreator* next = nullptr;
    IModule* module = nullptr;

    virtual const char* GetModuleName() = 0;
#if VOGAME_MSVC_LAYOUT
    VOGAME_DELETING_DESTRUCTOR_SLOT(IModuleCreator)
#else
    virtual ~IModuleCreator() = default;
#endif
    virtual IModule* GetModule() = 0;
};

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#endif
static_assert(offsetof(IModuleCreator, next) == sizeof(void*), "next follows the vtable pointer");
static_assert(offsetof(IModuleCreator, module) == 2 * sizeof(void*), "module follows next");
static_assert(sizeof(IModuleCreator) == 3 * sizeof(void*), "no other data");
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
