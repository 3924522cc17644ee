// Process services on POSIX: temporary folders, the process id, the time zone.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include <unistd.h>

#include "Platform.h"

namespace Platform {

std::string MakeTempFolder(const char* prefix) {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) {
        return {};
    }
    std::string pattern = (base / (std::string(prefix != nullptr ? prefix : "") + "XXXXXX")).string();
    return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

unsigned long ProcessId() noexcept { return static_cast<unsigned long>(::getpid()); }

bool IsTerminal(std::FILE* stream) noexcept { return stream != nullptr && ::isatty(::fileno(stream)) != 0; }

void UseBinaryOutput(std::FILE*) noexcept {}

void UseTimeZone(const char* zone) {
    ::setenv("TZ", zone != nullptr ? zone : "", 1);
    ::tzset();
}

}  // namespace Platform
