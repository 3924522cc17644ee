#pragma once
// Loads the real plug-in afresh through the reference host's loader (so, in the
// MSVC host mode, through the MSVC-ABI host) and unloads it, so each test sees
// the library's state as a host would just after loading it.
#include <gtest/gtest.h>

#include <string>

#include "host/PluginLibrary.h"
#include "support/TestPaths.h"

class LoadedPlugin {
public:
    explicit LoadedPlugin(std::string path = kLibraryPath) : path_(std::move(path)) {
        EXPECT_TRUE(library_.Load(path_)) << library_.Error();
    }
    ~LoadedPlugin() { Unload(); }
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    bool Loaded() const { return library_.Loaded(); }
    unsigned int Version() const { return library_.Version(); }
    IModuleCreator* Head() const { return library_.Creators(); }

    // Unloads and checks that the library really left the process.
    void Unload() {
        if (!library_.Loaded()) return;
        library_.Unload();
        EXPECT_FALSE(Platform::IsLibraryLoaded(path_)) << "the plug-in stayed loaded after its unload";
    }

private:
    std::string path_;
    PluginLibrary library_;
};
