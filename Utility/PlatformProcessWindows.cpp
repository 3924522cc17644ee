// Process services on Windows: temporary folders, the process id, the time zone
// of the C runtime's local-time functions.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdlib>
#include <ctime>

#include "Platform.h"

namespace Platform {

namespace {
std::atomic<unsigned> g_folderCounter{0};
}

std::string MakeTempFolder(const char* prefix) {
    char base[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof base, base);
    if (length == 0 || length > MAX_PATH) {
        return {};
    }
    const std::string stem = std::string(base) + (prefix != nullptr ? prefix : "") + std::to_string(ProcessId()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path =
            stem + std::to_string(GetTickCount()) + "-" + std::to_string(g_folderCounter.fetch_add(1));
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            return path;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return {};
        }
    }
    return {};
}

unsigned long ProcessId() noexcept { return GetCurrentProcessId(); }

bool IsTerminal(std::FILE* stream) noexcept { return stream != nullptr && _isatty(_fileno(stream)) != 0; }

void UseBinaryOutput(std::FILE* stream) noexcept {
    if (stream != nullptr) {
        std::fflush(stream);
        _setmode(_fileno(stream), _O_BINARY);
    }
}

void UseTimeZone(const char* zone) {
    const std::string setting = std::string("TZ=") + (zone != nullptr ? zone : "");
    _putenv(setting.c_str());
    _tzset();
}

}  // namespace Platform
