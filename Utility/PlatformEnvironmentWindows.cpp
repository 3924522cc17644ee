// The process environment on Windows, in the ANSI code page.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>
#include <utility>

#include "Platform.h"

namespace Platform {

bool EnvironmentValue(const char* name, std::string& value) {
    if (name == nullptr) return false;
    char small[256];
    DWORD length = GetEnvironmentVariableA(name, small, sizeof small);
    if (length == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
        value.clear();  // set, but empty
        return true;
    }
    if (length < sizeof small) {
        value.assign(small, length);
        return true;
    }
    // Too long for the small buffer: length is the size needed, zero included.
    std::string large(length, '\0');
    length = GetEnvironmentVariableA(name, large.data(), static_cast<DWORD>(large.size()));
    if (length == 0 || length >= large.size()) return false;
    large.resize(length);
    value = std::move(large);
    return true;
}

bool SetEnvironmentValue(const char* name, const char* value) {
    // Through the C runtime, which passes it on to the system's environment too,
    // so both getenv and GetEnvironmentVariableA see it.
    return name != nullptr && ::_putenv_s(name, value != nullptr ? value : "") == 0;
}

}  // namespace Platform
