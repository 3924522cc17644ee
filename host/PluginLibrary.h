#pragma once
// Loads the plug-in by path and reads its two exports.
#include <string>

#include "module/ModuleExports.h"

class PluginLibrary {
public:
    PluginLibrary() = default;
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // False with a reason in Error() when the file cannot be loaded or lacks an export.
    bool Load(const std::string& path);
    // Runs the creators' destruction (Shut, then delete) by unloading.
    void Unload();

    bool Loaded() const { return handle_ != nullptr; }
    unsigned int Version() const { return getVersion_ ? getVersion_() : 0; }
    IModuleCreator* Creators() const { return getCreators_ ? getCreators_() : nullptr; }
    const std::string& Error() const { return error_; }

private:
    void* handle_ = nullptr;
    GetVersionFunc getVersion_ = nullptr;
    GetModuleCreatorFunc getCreators_ = nullptr;
    std::string error_;
};
