// GUIDs on Windows, from COM. Part of the general-purpose support code, so the
// plug-in does not depend on ole32.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "Platform.h"

namespace Platform {

std::string NewGuid32() {
    const HRESULT init = CoInitialize(nullptr);
    GUID guid{};
    const bool made = SUCCEEDED(CoCreateGuid(&guid));
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    if (!made) {
        return {};
    }
    char text[33];
    std::snprintf(text, sizeof text, "%08lX%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X", guid.Data1, guid.Data2,
                  guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

}  // namespace Platform
