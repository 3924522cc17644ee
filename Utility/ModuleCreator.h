#pragma once
// Defines the creator class of a module: linked into the list at construction,
// makes its module on the first GetModule, and at unload calls Shut then deletes it.
// GetModule, and the module's Init, AfterInit and Shut, are host entries (see
// Utility/HostEntry.h): on Windows a failure ends them with a neutral result.
#include "HostEntry.h"
#include "../module/IModuleCreator.h"

#define VOGAME_DEFINE_MODULE_CREATOR(ModuleClass)                                                    \
    class ModuleClass##ModuleCreator final : public IModuleCreator {                                 \
    public:                                                                                          \
        explicit ModuleClass##ModuleCreator(IModuleCreator*& head) noexcept {                        \
            module = nullptr;                                                                        \
            next = head;                                                                             \
            head = this;                                                                             \
        }                                                                                            \
        ModuleClass##ModuleCreator(const ModuleClass##ModuleCreator&) = delete;                      \
        ModuleClass##ModuleCreator& operator=(const ModuleClass##ModuleCreator&) = delete;           \
        VOGAME_DELETING_DESTRUCTOR(ModuleClass##ModuleCreator)                                       \
        const char* GetModuleName() override { return #ModuleClass; }                                \
        ~ModuleClass##ModuleCreator() {                                                              \
            if (module != nullptr) {                                                                 \
                module->Shut();                                                                      \
                delete static_cast<HostedModule<ModuleClass>*>(module);                              \
                module = nullptr;                                                                    \
            }                                                                                        \
        }                                                                                            \
        IModule* GetModule() override {                                                              \
            if (module == nullptr)                                                                   \
                module = HostEntry::Run(nullptr, static_cast<IModule*>(nullptr),                     \
                                        []() -> IModule* { return new HostedModule<ModuleClass>; }); \
            return module;                                                                           \
        }                                                                                            \
    }
