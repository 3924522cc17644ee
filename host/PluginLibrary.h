#pragma once
// Loads the plug-in by path and reads its two exports.
#include <string>

#include "module/ModuleExports.h"
#include "Utility/Platform.h"

class PluginLibrary {
public:
    PluginLibrary() = default;
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // False with a reason in Error() when the file cannot be loaded or lacks an export.
    bool Load(const std::string& path);
    // Loads a private copy of the file (in the temporary folder, named after the
    // tag), so that this load has its own module-level state even where the
    // system would share one load per file. The copy leaves the disk as soon as
    // the system lets it go: at once on POSIX, after the unload on Windows.
    bool LoadPrivateCopy(const std::string& path, const std::string& tag);
    // Runs the creators' destruction (Shut, then delete) by unloading.
    void Unload();

    bool Loaded() const { return handle_ != nullptr; }
    unsigned int Version() const { return getVersion_ ? getVersion_() : 0; }
    IModuleCreator* Creators() const { return getCreators_ ? getCreators_() : nullptr; }
    const std::string& Error() const { return error_; }
    const std::string& CopyPath() const { return copyPath_; }

private:
    void ReleaseHandle();
    void RemoveCopy();

    Platform::LibraryHandle handle_ = nullptr;
    GetVersionFunc getVersion_ = nullptr;
    GetModuleCreatorFunc getCreators_ = nullptr;
    std::string error_;
    std::string copyPath_;
    bool copyOnDisk_ = false;
};
