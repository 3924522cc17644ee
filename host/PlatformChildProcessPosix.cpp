// Processes on POSIX: posix_spawnp with pipes, kill(2), waitpid with a short poll.
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "PlatformChildProcess.h"

extern char** environ;

namespace Platform {

namespace {
std::string Cause(const char* what, int err) { return std::string(what) + ": " + std::strerror(err); }

struct Pipe {
    int fd[2] = {-1, -1};
    ~Pipe() {
        for (int f : fd)
            if (f >= 0) ::close(f);
    }
    int Take(int end) {
        const int f = fd[end];
        fd[end] = -1;
        return f;
    }
};

void PauseMs(long ms) {
    timespec t{ms / 1000, (ms % 1000) * 1'000'000L};
    while (::nanosleep(&t, &t) != 0 && errno == EINTR) {}
}

// What starting a child needs: its arguments as the system takes them and,
// with pipes, both pipes. Close-on-exec on every end, so no child inherits
// another child's pipes; the child's own two ends are given it by dup2, which
// drops the flag.
struct Start {
    std::vector<char*> args;
    Pipe in, out;

    bool Prepare(const std::vector<std::string>& argv, bool pipes, std::string& error) {
        if (argv.empty()) {
            error = "no program to start";
            return false;
        }
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (pipes && (::pipe2(in.fd, O_CLOEXEC) != 0 || ::pipe2(out.fd, O_CLOEXEC) != 0)) {
            error = Cause("pipe", errno);
            return false;
        }
        return true;
    }
    void Hand(pid_t pid, bool pipes, ChildProcess& child) {
        child.id = pid;
        if (!pipes) return;
        child.toChild = in.Take(1);
        child.fromChild = out.Take(0);
    }
};
}  // namespace

bool StartProcess(const std::vector<std::string>& argv, bool pipes, ChildProcess& out, std::string& error) {
    out = ChildProcess{};
    Start start;
    if (!start.Prepare(argv, pipes, error)) return false;
    Pipe& in = start.in;
    Pipe& outPipe = start.out;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (pipes) {
        posix_spawn_file_actions_adddup2(&actions, in.fd[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, outPipe.fd[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, start.args[0], &actions, nullptr, start.args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        error = Cause(("cannot start " + argv[0]).c_str(), rc);
        return false;
    }
    start.Hand(pid, pipes, out);
    return true;
}

bool StartOwnedProcess(const std::vector<std::string>& argv, bool pipes, ChildProcess& out, std::string& error) {
#ifdef __linux__
    out = ChildProcess{};
    Start start;
    if (!start.Prepare(argv, pipes, error)) return false;
    const pid_t parent = ::getpid();
    const int devNull = pipes ? -1 : ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t pid = ::fork();
    if (pid < 0) {
        if (devNull >= 0) ::close(devNull);
        error = Cause("fork", errno);
        return false;
    }
    if (pid == 0) {
        // Only calls safe after a fork until the program is replaced.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(137);
        if (pipes) {
            ::dup2(start.in.fd[0], STDIN_FILENO);
            ::dup2(start.out.fd[1], STDOUT_FILENO);
        } else if (devNull >= 0) {
            ::dup2(devNull, STDIN_FILENO);
        }
        ::execve(start.args[0], start.args.data(), environ);
        ::_exit(127);
    }
    if (devNull >= 0) ::close(devNull);
    start.Hand(pid, pipes, out);
    return true;
#else
    return StartProcess(argv, pipes, out, error);
#endif
}

bool KillProcess(ChildProcessId id) noexcept { return id > 0 && ::kill(static_cast<pid_t>(id), SIGKILL) == 0; }

bool EndProcess(ChildProcessId id) noexcept { return id > 0 && ::kill(static_cast<pid_t>(id), SIGTERM) == 0; }

bool WaitProcess(ChildProcessId id, int timeoutMs, int& status) noexcept {
    if (id <= 0) return false;
    for (long waited = 0;; waited += 5) {
        int raw = 0;
        const pid_t got = ::waitpid(static_cast<pid_t>(id), &raw, timeoutMs < 0 ? 0 : WNOHANG);
        if (got == static_cast<pid_t>(id)) {
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : 255;
            return true;
        }
        if (got < 0 && errno != EINTR) return false;
        if (timeoutMs >= 0 && waited >= timeoutMs) return false;
        if (got == 0) PauseMs(5);
    }
}

void EndWithParent() noexcept {
#ifdef __linux__
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() == 1) ::_exit(137);  // the parent is already gone
#endif
}

void KillOwnProcess() noexcept {
    ::kill(::getpid(), SIGKILL);
    ::_exit(137);  // not reached
}

std::string OwnProgramPath() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

bool WriteAllTo(FileHandle handle, std::string_view bytes) noexcept {
    const int fd = static_cast<int>(handle);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

long long ReadSomeFrom(FileHandle handle, char* buffer, std::size_t size) noexcept {
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle), buffer, size);
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

void ClosePipe(FileHandle& handle) noexcept {
    if (handle != kNoFile) ::close(static_cast<int>(handle));
    handle = kNoFile;
}

FileHandle StandardInput() noexcept { return STDIN_FILENO; }
FileHandle StandardOutput() noexcept { return STDOUT_FILENO; }

int FreeLoopbackPort() noexcept {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;  // the system picks a free one
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

}  // namespace Platform
