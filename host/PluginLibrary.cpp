#include "PluginLibrary.h"

#include <atomic>
#include <filesystem>
#include <system_error>

namespace {
std::atomic<unsigned> g_copyCounter{0};

}  // namespace

PluginLibrary::~PluginLibrary() { Unload(); }

std::string PluginLibrary::MsvcHostPath() {
    std::string path;
#if defined(_WIN32)
    if (!Platform::EnvironmentValue("VOGAME_MSVC_HOST", path)) path.clear();
#endif
    return path;
}

bool PluginLibrary::Load(const std::string& path) {
    Unload();
    const std::string msvcHost = MsvcHostPath();
    if (!msvcHost.empty() && !MakeCopy(msvcHost, "msvc-host", hostCopy_)) return false;
    const bool loaded = LoadFile(path, !msvcHost.empty());
    RemoveCopies();
    return loaded;
}

bool PluginLibrary::LoadPrivateCopy(const std::string& path, const std::string& tag) {
    Unload();
    const std::string msvcHost = MsvcHostPath();
    if (!MakeCopy(path, tag, copy_) || (!msvcHost.empty() && !MakeCopy(msvcHost, tag + "-msvc-host", hostCopy_))) {
        RemoveCopies();
        return false;
    }
    const bool loaded = LoadFile(copy_.path, !msvcHost.empty());
    RemoveCopies();  // POSIX keeps the mapping; Windows refuses while the file is loaded
    return loaded;
}

bool PluginLibrary::MakeCopy(const std::string& path, const std::string& tag, FileCopy& copy) {
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    if (ec) {
        error_ = "no temporary folder: " + ec.message();
        return false;
    }
    const std::string name = "VoGameLogic-" + std::to_string(Platform::ProcessId()) + "-" + tag + "-" +
                             std::to_string(g_copyCounter.fetch_add(1)) +
                             std::filesystem::path(path).extension().string();
    copy.path = (dir / name).string();
    std::filesystem::copy_file(path, copy.path, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        error_ = "cannot copy " + path + ": " + ec.message();
        return false;
    }
    copy.onDisk = true;
    return true;
}

// The plug-in at path, or, in the MSVC host mode, the MSVC host's copy opening it.
bool PluginLibrary::LoadFile(const std::string& path, bool throughMsvcHost) {
    error_.clear();
    handle_ = Platform::LoadLibraryFile(throughMsvcHost ? hostCopy_.path : path, error_);
    if (handle_ == nullptr) {
        return false;
    }
    if (throughMsvcHost && !OpenThroughMsvcHost(path)) {
        ReleaseHandle();
        return false;
    }
    getVersion_ = reinterpret_cast<GetVersionFunc>(Platform::FindExport(handle_, kGetVersionExport));
    getCreators_ = reinterpret_cast<GetModuleCreatorFunc>(Platform::FindExport(handle_, kGetModuleCreatorExport));
    if (getVersion_ == nullptr || getCreators_ == nullptr) {
        error_ = "missing export in " + path;
        ReleaseHandle();
        return false;
    }
    return true;
}

bool PluginLibrary::OpenThroughMsvcHost(const std::string& path) {
    const auto open = reinterpret_cast<MsvcHostOpenFunc>(Platform::FindExport(handle_, kMsvcHostOpenExport));
    const auto close = reinterpret_cast<MsvcHostCloseFunc>(Platform::FindExport(handle_, kMsvcHostCloseExport));
    if (open == nullptr || close == nullptr) {
        error_ = MsvcHostPath() + " is no MSVC host (VOGAME_MSVC_HOST)";
        return false;
    }
    std::u16string wide;
    if (!Platform::NarrowToWide(0, path.data(), path.size(), wide)) wide.clear();
    for (char16_t& c : wide) {
        if (c == u'/') c = u'\\';  // the loader wants native separators
    }
    if (wide.empty() || open(wide.c_str()) == 0) {
        error_ = "the MSVC host cannot load " + path;
        return false;
    }
    closeMsvcHost_ = close;
    return true;
}

void PluginLibrary::Unload() {
    ReleaseHandle();
    RemoveCopies();
}

void PluginLibrary::ReleaseHandle() {
    if (closeMsvcHost_ != nullptr) closeMsvcHost_();  // the plug-in goes before the host holding it
    closeMsvcHost_ = nullptr;
    if (handle_ != nullptr) Platform::UnloadLibrary(handle_);
    handle_ = nullptr;
    getVersion_ = nullptr;
    getCreators_ = nullptr;
}

void PluginLibrary::RemoveCopies() {
    for (FileCopy* copy : {&copy_, &hostCopy_}) {
        if (!copy->onDisk) continue;
        std::error_code ec;
        copy->onDisk = !std::filesystem::remove(copy->path, ec) && std::filesystem::exists(copy->path, ec);
    }
}
