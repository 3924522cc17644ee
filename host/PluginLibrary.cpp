#include "PluginLibrary.h"

#include <dlfcn.h>

PluginLibrary::~PluginLibrary() { Unload(); }

bool PluginLibrary::Load(const std::string& path) {
    Unload();
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = dlerror();
        error_ = why ? why : "dlopen failed";
        return false;
    }
    getVersion_ = reinterpret_cast<GetVersionFunc>(dlsym(handle_, kGetVersionExport));
    getCreators_ = reinterpret_cast<GetModuleCreatorFunc>(dlsym(handle_, kGetModuleCreatorExport));
    if (getVersion_ == nullptr || getCreators_ == nullptr) {
        error_ = "missing export in " + path;
        Unload();
        return false;
    }
    return true;
}

void PluginLibrary::Unload() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
    getVersion_ = nullptr;
    getCreators_ = nullptr;
}
