#pragma once
// Loads the real plug-in afresh through the platform's loader and unloads it,
// so each test sees the library's state as a host would just after loading it.
#include <gtest/gtest.h>

#include <string>

#include "module/ModuleExports.h"
#include "support/TestPaths.h"
#include "Utility/Platform.h"

class LoadedPlugin {
public:
    LoadedPlugin() {
        std::string error;
        handle_ = Platform::LoadLibraryFile(kLibraryPath, error);
        EXPECT_NE(handle_, nullptr) << error;
        if (handle_ == nullptr) return;
        getVersion_ = reinterpret_cast<GetVersionFunc>(Platform::FindExport(handle_, kGetVersionExport));
        getCreators_ = reinterpret_cast<GetModuleCreatorFunc>(Platform::FindExport(handle_, kGetModuleCreatorExport));
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
        EXPECT_TRUE(Platform::UnloadLibrary(handle_));
        handle_ = nullptr;
        getVersion_ = nullptr;
        getCreators_ = nullptr;
        EXPECT_FALSE(Platform::IsLibraryLoaded(kLibraryPath)) << "the plug-in stayed loaded after its unload";
    }

private:
    Platform::LibraryHandle handle_ = nullptr;
    GetVersionFunc getVersion_ = nullptr;
    GetModuleCreatorFunc getCreators_ = nullptr;
};
