#pragma once
// The lines the library wrote with WriteLog and WriteTrace, optionally echoed
// to standard error with the server's number (standard output is the report's).
#include <string>
#include <string_view>
#include <vector>

class KernelLogs {
public:
    explicit KernelLogs(int server) : server_(server) {}
    void Log(std::string_view text);
    void Trace(std::string_view text);
    const std::vector<std::string>& Logs() const noexcept { return logs_; }
    const std::vector<std::string>& Traces() const noexcept { return traces_; }
    void Clear();
    void SetEcho(bool echo) noexcept { echo_ = echo; }

private:
    int server_;
    bool echo_ = false;
    std::vector<std::string> logs_, traces_;
};
