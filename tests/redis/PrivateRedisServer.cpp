#include "PrivateRedisServer.h"

#include <hiredis.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {
const char* const kProgram = "redis-server";

// The program's path on the PATH; empty when it is not there.
std::string OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    for (std::size_t at = 0; at <= dirs.size();) {
        std::size_t end = dirs.find(':', at);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(at, end - at) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        at = end + 1;
    }
    return {};
}
}  // namespace

std::string PrivateRedisServer::Unavailable() {
    return !OnPath(kProgram).empty() ? std::string()
                                     : std::string("redis-server is not installed (scripts/setup.sh installs it)");
}

std::string PrivateRedisServer::ToolPath(const std::string& program) { return OnPath(program); }

bool PrivateRedisServer::Start(std::string& error, const std::vector<std::string>& extra) {
    Stop();
    extra_ = extra;
    for (int attempt = 0; attempt < 5; ++attempt) {
        port_ = Platform::FreeLoopbackPort();
        if (port_ != 0 && Launch(error)) return true;
        Stop();
    }
    return false;
}

bool PrivateRedisServer::Restart(std::string& error) {
    Stop();
    return Launch(error);
}

bool PrivateRedisServer::Launch(std::string& error) {
    // Owned: a test that is killed (its time out) takes its server with it.
    std::vector<std::string> argv = {OnPath(kProgram),
                                     "--port",
                                     std::to_string(port_),
                                     "--bind",
                                     "127.0.0.1",
                                     "--save",
                                     "",
                                     "--appendonly",
                                     "no",
                                     "--loglevel",
                                     "warning",
                                     "--logfile",
                                     "/dev/null",
                                     "--protected-mode",
                                     "no"};
    argv.insert(argv.end(), extra_.begin(), extra_.end());
    if (!Platform::StartOwnedProcess(argv, false, child_, error)) return false;
    for (int i = 0; i < 500; ++i) {
        if (Ready()) return true;
        int status = 0;
        if (Platform::WaitProcess(child_.id, 0, status)) {
            child_ = {};
            error = "redis-server ended at start with status " + std::to_string(status);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    error = "redis-server did not answer on port " + std::to_string(port_);
    return false;
}

bool PrivateRedisServer::Ready() const {
    const timeval timeout{0, 200'000};
    redisContext* c = redisConnectWithTimeout("127.0.0.1", port_, timeout);
    const bool up = c != nullptr && c->err == 0;
    if (c != nullptr) redisFree(c);
    return up;
}

void PrivateRedisServer::Stop() {
    if (child_.id == Platform::kNoProcess) return;
    Platform::KillProcess(child_.id);
    int status = 0;
    Platform::WaitProcess(child_.id, 5000, status);
    child_ = {};
}

std::string PrivateRedisServer::Url(const std::string& prefix, const std::string& user) const {
    return "redis://" + (user.empty() ? std::string() : user + "@") + "127.0.0.1:" + std::to_string(port_) + "/" +
           prefix;
}
