#pragma once
// Loads the plug-in by path and reads its two exports.
//
// The MSVC host mode (Windows): when the environment variable VOGAME_MSVC_HOST
// names the MSVC-ABI host, VoGameMsvcHost.dll (msvchost/MsvcHost.h), every
// plug-in is loaded through it: a private copy of that DLL is loaded in its
// place and opens the plug-in, so each call between this host and the plug-in,
// either way, crosses code compiled for the MSVC ABI. The exports read are the
// MSVC host's, which answer for the plug-in.
#include <string>

#include "module/ModuleExports.h"
#include "msvchost/MsvcHost.h"
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
    const std::string& CopyPath() const { return copy_.path; }
    bool ThroughMsvcHost() const { return closeMsvcHost_ != nullptr; }

    // The MSVC-ABI host named by VOGAME_MSVC_HOST, or empty (always on POSIX).
    static std::string MsvcHostPath();

private:
    struct FileCopy {
        std::string path;
        bool onDisk = false;
    };

    bool LoadFile(const std::string& path, bool throughMsvcHost);
    bool OpenThroughMsvcHost(const std::string& path);
    bool MakeCopy(const std::string& path, const std::string& tag, FileCopy& copy);
    void ReleaseHandle();
    void RemoveCopies();

    Platform::LibraryHandle handle_ = nullptr;
    GetVersionFunc getVersion_ = nullptr;
    GetModuleCreatorFunc getCreators_ = nullptr;
    MsvcHostCloseFunc closeMsvcHost_ = nullptr;
    std::string error_;
    FileCopy copy_;      // the plug-in's private copy
    FileCopy hostCopy_;  // the MSVC host's private copy
};
