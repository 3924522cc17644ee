// The process environment on POSIX.
#include <cstdlib>

#include "Platform.h"

namespace Platform {

bool EnvironmentValue(const char* name, std::string& value) {
    const char* text = name != nullptr ? std::getenv(name) : nullptr;
    if (text == nullptr) return false;
    value = text;
    return true;
}

bool SetEnvironmentValue(const char* name, const char* value) {
    return name != nullptr && ::setenv(name, value != nullptr ? value : "", 1) == 0;
}

}  // namespace Platform
