#pragma once
// Defines the creator class of a module: linked into the list at construction,
// makes its module on the first GetModule, and at unload calls Shut then deletes it.
#include "IModuleCreator.h"

#define VOGAME_DEFINE_MODULE_CREATOR(ModuleClass)                                        \
    class ModuleClass##ModuleCreator final : public IModuleCreator {                      \
    public:                                                                               \
        explicit ModuleClass##ModuleCreator(IModuleCreator*& head) noexcept {             \
            module = nullptr;                                                             \
            next = head;                                                                  \
            head = this;                                                                  \
        }                                                                                 \
        ModuleClass##ModuleCreator(const ModuleClass##ModuleCreator&) = delete;           \
        ModuleClass##ModuleCreator& operator=(const ModuleClass##ModuleCreator&) = delete; \
        const char* GetModuleName() override { return #ModuleClass; }                     \
        ~ModuleClass##ModuleCreator() override {                                          \
            if (module != nullptr) {                                                      \
                module->Shut();                                                           \
                delete module;                                                            \
                module = nullptr;                                                         \
            }                                                                             \
        }                                                                                 \
        IModule* GetModule() override {                                                   \
            if (module == nullptr) module = new ModuleClass;                              \
            return module;                                                                \
        }                                                                                 \
    }
