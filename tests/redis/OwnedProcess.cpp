#include "OwnedProcess.h"

#include <thread>

#include "host/PlatformChildProcess.h"

OwnedRun RunOwned(const std::vector<std::string>& argv, int limitMs) {
    OwnedRun run;
    Platform::ChildProcess child;
    run.started = Platform::StartOwnedProcess(argv, true, child, run.error);
    if (!run.started) return run;
    Platform::ClosePipe(child.toChild);
    std::thread reader([&run, &child] {
        char chunk[4096];
        for (long long n; (n = Platform::ReadSomeFrom(child.fromChild, chunk, sizeof chunk)) > 0;)
            run.output.append(chunk, static_cast<std::size_t>(n));
    });
    run.finished = Platform::WaitProcess(child.id, limitMs, run.status);
    if (!run.finished) {
        // Its own server processes end with it.
        Platform::KillProcess(child.id);
        Platform::WaitProcess(child.id, 10'000, run.status);
    }
    reader.join();
    Platform::ClosePipe(child.fromChild);
    return run;
}
