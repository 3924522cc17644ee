#pragma once
// A program a test runs to its end: started owned (Platform::StartOwnedProcess),
// so that it, and every process it starts that ends with its parent, ends with
// the test however the test ends; its standard output read as it comes; killed
// when it outlives the test's limit.
#include <string>
#include <vector>

struct OwnedRun {
    bool started = false;
    bool finished = false;  // false: killed at the limit (or never started: see error)
    int status = -1;
    std::string output;
    std::string error;
};

OwnedRun RunOwned(const std::vector<std::string>& argv, int limitMs);
