// Processes on Windows: not offered. The simulator's separate server processes
// and the private Redis server of the tests are POSIX only; each call says so.
#include <cstdlib>

#include "PlatformChildProcess.h"

namespace Platform {

namespace {
constexpr const char* kRefusal = "separate processes are not supported on this system";
}

bool StartProcess(const std::vector<std::string>&, bool, ChildProcess& out, std::string& error) {
    out = ChildProcess{};
    error = kRefusal;
    return false;
}
bool StartOwnedProcess(const std::vector<std::string>& argv, bool pipes, ChildProcess& out, std::string& error) {
    return StartProcess(argv, pipes, out, error);
}
bool KillProcess(ChildProcessId) noexcept { return false; }
bool EndProcess(ChildProcessId) noexcept { return false; }
bool WaitProcess(ChildProcessId, int, int&) noexcept { return false; }
void EndWithParent() noexcept {}
[[noreturn]] void KillOwnProcess() noexcept {
    for (;;) std::abort();
}
std::string OwnProgramPath() { return {}; }
bool WriteAllTo(FileHandle, std::string_view) noexcept { return false; }
long long ReadSomeFrom(FileHandle, char*, std::size_t) noexcept { return -1; }
void ClosePipe(FileHandle& handle) noexcept { handle = kNoFile; }
FileHandle StandardInput() noexcept { return kNoFile; }
FileHandle StandardOutput() noexcept { return kNoFile; }
int FreeLoopbackPort() noexcept { return 0; }

}  // namespace Platform
