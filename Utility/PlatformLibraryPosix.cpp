// Run-time loading on POSIX: dlopen with local symbols, so two loads of two
// copies of one library never bind to each other.
#include <dlfcn.h>

#include "Platform.h"

namespace Platform {

LibraryHandle LoadLibraryFile(const std::string& path, std::string& error) {
    void* handle = ::dlopen(NativePath(path.c_str()).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        error = why != nullptr ? why : "dlopen failed";
    }
    return handle;
}

void* FindExport(LibraryHandle library, const char* name) {
    return library != nullptr && name != nullptr ? ::dlsym(library, name) : nullptr;
}

bool UnloadLibrary(LibraryHandle library) noexcept { return library != nullptr && ::dlclose(library) == 0; }

bool IsLibraryLoaded(const std::string& path) {
    void* still = ::dlopen(NativePath(path.c_str()).c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (still == nullptr) {
        return false;
    }
    ::dlclose(still);
    return true;
}

std::string LibraryPathOf(const void* address) {
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    return info.dli_fname;
}

}  // namespace Platform
