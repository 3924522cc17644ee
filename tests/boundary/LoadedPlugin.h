#pragma once
// Loads the real plug-in afresh with dlopen and unloads it with dlclose, so each
// test sees the library's state as a host would just after loading it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "module/ModuleExports.h"
#include "support/TestPaths.h"

class LoadedPlugin {
public:
    LoadedPlugin() {
        handle_ = dlopen(kLibraryPath, RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(handle_, nullptr) << dlerror();
        if (handle_ == nullptr) return;
        getVersion_ = reinterpret_cast<GetVersionFunc>(dlsym(handle_, kGetVersionExport));
        getCreators_ = reinterpret_cast<GetModuleCreatorFunc>(dlsym(handle_, kGetModuleCreatorExport));
    }
    ~LoadedPlugin() { Unload(); }
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    bool Loaded() const { return handle_ != nullptr && getVersion_ != nullptr && getCreators_ != nullptr; }
    unsigned int Version() const { return getVersion_(); }
    IModuleCreator* Head() const { return getCreators_(); }

    // Unloads and checks that the library really left the process.
    void Unload() {
        if (handle_ == nullptr) return;
        EXPECT_EQ(dlclose(handle_), 0) << dlerror();
        handle_ = nullptr;
        getVersion_ = nullptr;
        getCreators_ = nullptr;
        void* still = dlopen(kLibraryPath, RTLD_NOW | RTLD_NOLOAD);
        EXPECT_EQ(still, nullptr) << "the plug-in stayed loaded after dlclose";
        if (still != nullptr) dlclose(still);
    }

private:
    void* handle_ = nullptr;
    GetVersionFunc getVersion_ = nullptr;
    GetModuleCreatorFunc getCreators_ = nullptr;
};
