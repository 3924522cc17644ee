// The simulator: a world of servers running the game logic library.
#include <cstdio>
#include <string>

#include "SimOptions.h"
#include "host/PlatformChildProcess.h"
#include "Simulation.h"
#include "Utility/Platform.h"

int main(int argc, char** argv) {
    Platform::UseBinaryOutput(stdout);
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        PrintSimHelp(argv[0]);
        return 0;
    }
    if (options.serverRole != 0) Platform::EndWithParent();  // a server process never outlives its parent
    Simulation simulation(options);
    return simulation.Run();
}
