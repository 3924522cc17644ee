#include "PluginLibrary.h"

#include <atomic>
#include <filesystem>
#include <system_error>

namespace {
std::atomic<unsigned> g_copyCounter{0};
}

PluginLibrary::~PluginLibrary() { Unload(); }

bool PluginLibrary::Load(const std::string& path) {
    ReleaseHandle();
    error_.clear();
    handle_ = Platform::LoadLibraryFile(path, error_);
    if (handle_ == nullptr) {
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

bool PluginLibrary::LoadPrivateCopy(const std::string& path, const std::string& tag) {
    Unload();
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    if (ec) {
        error_ = "no temporary folder: " + ec.message();
        return false;
    }
    const std::string name = "VoGameLogic-" + std::to_string(Platform::ProcessId()) + "-" + tag + "-" +
                             std::to_string(g_copyCounter.fetch_add(1)) + std::filesystem::path(path).extension().string();
    copyPath_ = (dir / name).string();
    std::filesystem::copy_file(path, copyPath_, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        error_ = "cannot copy " + path + ": " + ec.message();
        return false;
    }
    copyOnDisk_ = true;
    const bool loaded = Load(copyPath_);
    RemoveCopy();  // POSIX keeps the mapping; Windows refuses while the file is loaded
    return loaded;
}

void PluginLibrary::Unload() {
    ReleaseHandle();
    RemoveCopy();
}

void PluginLibrary::ReleaseHandle() {
    if (handle_ != nullptr) Platform::UnloadLibrary(handle_);
    handle_ = nullptr;
    getVersion_ = nullptr;
    getCreators_ = nullptr;
}

void PluginLibrary::RemoveCopy() {
    if (!copyOnDisk_) return;
    std::error_code ec;
    copyOnDisk_ = !std::filesystem::remove(copyPath_, ec) && std::filesystem::exists(copyPath_, ec);
}
