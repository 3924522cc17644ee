#pragma once
// The host's strict log of refused operations (wrong row values, index out of
// range, full record, unknown names). A correct module leaves it empty, so tests
// assert Empty(). Thread safe: servers on their own threads share a store's log.
#include <mutex>
#include <string>
#include <vector>

class DiagnosticLog {
public:
    void Add(std::string line);
    bool Empty() const;
    std::size_t Size() const;
    std::vector<std::string> Lines() const;  // a copy, oldest first
    std::string Joined() const;              // every line followed by '\n', for failure messages
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};
