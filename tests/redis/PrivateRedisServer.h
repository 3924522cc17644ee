#pragma once
// A redis-server of the test's own: on a free 127.0.0.1 port, no persistence
// unless the extra arguments ask for it, started as a child process and
// stopped by its process id (SIGKILL, as a crash would end it).
#include <string>
#include <vector>

#include "host/PlatformChildProcess.h"

class PrivateRedisServer {
public:
    // Empty when redis-server was found; else why the Redis tests are skipped.
    static std::string Unavailable();
    // A program of the Redis tools (redis-cli) on the PATH; empty when missing.
    static std::string ToolPath(const std::string& program);

    // Starts on a fresh free port (extra arguments appended, e.g. --requirepass);
    // false with the cause in error.
    bool Start(std::string& error, const std::vector<std::string>& extra = {});
    // Starts again on the same port (data gone unless persisted).
    bool Restart(std::string& error);
    void Stop();
    ~PrivateRedisServer() { Stop(); }

    int Port() const noexcept { return port_; }
    std::string Url(const std::string& prefix, const std::string& user = {}) const;
    Platform::ChildProcessId Id() const noexcept { return child_.id; }

private:
    bool Launch(std::string& error);
    bool Ready() const;

    int port_ = 0;
    std::vector<std::string> extra_;
    Platform::ChildProcess child_;
};
