// A host project's view of the installed package: the boundary headers compile
// on their own and the installed plug-in lists its modules.
#include <dlfcn.h>

#include <cstdio>

#include "module/IKernel.h"
#include "module/ModuleExports.h"

int main() {
    void* handle = dlopen(PLUGIN, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return 1;
    auto version = reinterpret_cast<GetVersionFunc>(dlsym(handle, kGetVersionExport));
    auto creators = reinterpret_cast<GetModuleCreatorFunc>(dlsym(handle, kGetModuleCreatorExport));
    if (version == nullptr || creators == nullptr || version() != kVoGameLogicVersion) return 1;
    for (IModuleCreator* c = creators(); c != nullptr; c = c->next) std::printf("%s\n", c->GetModuleName());
    return 0;
}
