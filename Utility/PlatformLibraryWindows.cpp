// Run-time loading on Windows: LoadLibraryW, GetProcAddress, FreeLibrary. Paths
// are narrow text in the default code page, as std::filesystem gives them.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "Platform.h"

namespace Platform {

namespace {
std::wstring WidePath(const std::string& path) {
    std::u16string wide;
    if (!NarrowToWide(0, path.data(), path.size(), wide)) {
        return {};
    }
    for (char16_t& c : wide) {
        if (c == u'/') {
            c = u'\\';  // the loader wants native separators
        }
    }
    return std::wstring(wide.begin(), wide.end());
}

std::string SystemMessage(const std::string& path, DWORD code) {
    char text[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                   sizeof text, nullptr);
    std::string message(text, n);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return "cannot load " + path + " (error " + std::to_string(code) + (message.empty() ? "" : ": " + message) + ")";
}
}  // namespace

LibraryHandle LoadLibraryFile(const std::string& path, std::string& error) {
    const std::wstring wide = WidePath(path);
    if (wide.empty()) {
        error = "unusable library path " + path;
        return nullptr;
    }
    HMODULE module = LoadLibraryW(wide.c_str());
    if (module == nullptr) {
        error = SystemMessage(path, GetLastError());
    }
    return reinterpret_cast<LibraryHandle>(module);
}

void* FindExport(LibraryHandle library, const char* name) {
    if (library == nullptr || name == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

bool UnloadLibrary(LibraryHandle library) noexcept {
    return library != nullptr && FreeLibrary(static_cast<HMODULE>(library)) != 0;
}

bool IsLibraryLoaded(const std::string& path) {
    const std::wstring wide = WidePath(path);
    return !wide.empty() && GetModuleHandleW(wide.c_str()) != nullptr;
}

std::string LibraryPathOf(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module)) {
        return {};
    }
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    const std::u16string wide(path, path + n);
    std::string narrow;
    return WideToNarrow(0, wide.data(), wide.size(), narrow) ? narrow : std::string();
}

}  // namespace Platform
