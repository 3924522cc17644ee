#pragma once
// Runs the host check plug-in in the reference host as a host engineer would on
// a test server, and reads what it wrote. The run is what any host does for the
// check (docs/host-contract.md, "Running the host check"): scenes 1 (HomeScene),
// 2 (BaseScene) and 3 (BaseScene "ChallengeWaitScene"), the nation records,
// the rule file; each server on its own logic thread starts, sends its start
// events, logs a player in (OnLoad, then command 1009), lets his client ask
// for a list (140911) and the nation report (73003), and lets two minutes of
// host time pass. Another host runs the same steps and hands its result file
// to ReadCheckFile.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/World.h"

struct HostCheckSetup {
    int servers = 1;
    std::unique_ptr<PubDataStore> store;        // null: a fresh in-memory store
    ServerOptions options;                      // libraryPath and resourcePath are filled in
    std::function<void(Server&)> beforeEvents;  // switches on a server once it started, before its start events
    bool player = true;                         // a test player logs in and his client asks
    std::int64_t waitMs = 120'000;              // host time let pass at the end
    int runs = 1;  // more: each server is restarted and runs the check again (the last run is read)
};

// What one server's check wrote: its lines (the tag stripped), from the file.
struct HostCheckLines {
    std::vector<std::string> lines;
    std::vector<std::string> logged;  // the same lines as the host's log got them (the prefix taken off)
    std::string closing;              // the last line, "N passed, M failed..."
    int passed = -1, failed = -1;
    std::vector<std::string> Failures() const;                            // the FAIL lines
    bool Has(const std::string& verdict, const std::string& rule) const;  // a "<verdict> <rule>: " line
};

// One entry per server, in server order.
std::vector<HostCheckLines> RunHostCheck(HostCheckSetup setup);

// The lines of a result file, grouped by the tag that starts each, in the order
// the tags first appear.
std::vector<HostCheckLines> ReadCheckFile(const std::string& path);
