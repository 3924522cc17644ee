// Loads the plug-in, checks its interface version and lists its module creators.
#include <cstdio>

#include "host/PluginLibrary.h"

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : VOGAME_LIBRARY_PATH;
    PluginLibrary lib;
    if (!lib.Load(path)) {
        std::fprintf(stderr, "cannot load %s: %s\n", path, lib.Error().c_str());
        return 1;
    }
    std::printf("library: %s\ninterface version: 0x%08X (%s)\n", path, lib.Version(),
                lib.Version() == kVoGameLogicVersion ? "matches" : "MISMATCH");
    int n = 0;
    for (IModuleCreator* c = lib.Creators(); c != nullptr; c = c->next) {
        std::printf("creator %d: %s\n", ++n, c->GetModuleName());
    }
    return lib.Version() == kVoGameLogicVersion ? 0 : 1;
}
