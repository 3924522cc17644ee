#pragma once
// Other processes: start a program (optionally talking to it through pipes),
// stop it or kill it, wait for its end; and a free TCP port on the loopback
// address for a private server. POSIX implements all of it; on Windows every
// call refuses with a reason (nothing there runs servers as processes yet).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Utility/Platform.h"

namespace Platform {

using ChildProcessId = std::int64_t;
inline constexpr ChildProcessId kNoProcess = -1;

struct ChildProcess {
    ChildProcessId id = kNoProcess;
    FileHandle toChild = kNoFile;    // the child's standard input (with pipes)
    FileHandle fromChild = kNoFile;  // the child's standard output (with pipes)
};

// Starts argv[0] (looked up on the PATH when it holds no '/') with argv. With
// pipes the child's standard input and output are pipes to this process;
// otherwise it reads nothing and writes where this process writes. Standard
// error is always shared. False with the cause in error.
bool StartProcess(const std::vector<std::string>& argv, bool pipes, ChildProcess& out, std::string& error);
// The same, the child killed as soon as this process ends, however it ends (a
// crash, a kill from outside); the child's own children end with it where they
// call EndWithParent. argv[0] is a path. For tests and tools that must leave no
// process behind.
bool StartOwnedProcess(const std::vector<std::string>& argv, bool pipes, ChildProcess& out, std::string& error);
// Ends the process at once; it can neither catch nor delay this (SIGKILL).
bool KillProcess(ChildProcessId id) noexcept;
// Asks the process to end (SIGTERM).
bool EndProcess(ChildProcessId id) noexcept;
// Waits up to timeoutMs (negative: without limit) for the process to end and
// reaps it. status: its exit code, or 128 + the signal that ended it. False
// when it is still running at the limit or is no child of this process.
bool WaitProcess(ChildProcessId id, int timeoutMs, int& status) noexcept;
// This process is killed when the process that started it ends (where the
// system offers it), so no child outlives a parent that was killed.
void EndWithParent() noexcept;
// This process dies at once, as a kill from outside would end it.
[[noreturn]] void KillOwnProcess() noexcept;
// The path of this process's program; empty when the system cannot tell.
std::string OwnProgramPath();

// Pipe ends: all bytes or false; up to size bytes (0 at the end of the stream, -1 on failure).
bool WriteAllTo(FileHandle handle, std::string_view bytes) noexcept;
long long ReadSomeFrom(FileHandle handle, char* buffer, std::size_t size) noexcept;
void ClosePipe(FileHandle& handle) noexcept;
// The standard streams as pipe ends, for a child talking to its parent.
FileHandle StandardInput() noexcept;
FileHandle StandardOutput() noexcept;

// A TCP port on 127.0.0.1 that nothing listens on right now (0 when none was found).
int FreeLoopbackPort() noexcept;

}  // namespace Platform
