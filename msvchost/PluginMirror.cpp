// The plug-in as the host sees it through the bridge: the plug-in's two exports
// answered for the plug-in opened here, and a mirror of its creator list whose
// creators and modules forward to the plug-in's own. Open and Close come first.
#include "../module/ModuleExports.h"
#include "Bridge.h"
#include "MsvcHost.h"
#include "Win32.h"

namespace {

// A module of the library: its operations get the library's kernel for the host's.
class MirroredModule final : public IModule {
public:
    explicit MirroredModule(IModule* library) : library_(library) {}
    bool Init(IKernel* kernel) override { return library_->Init(Bridge::LibraryKernel(kernel)); }
    bool AfterInit(IKernel* kernel) override { return library_->AfterInit(Bridge::LibraryKernel(kernel)); }
    bool Shut() override { return library_->Shut(); }

private:
    IModule* library_;
};

// A creator of the library, with `next` and `module` kept as the host reads them.
class MirroredCreator final : public IModuleCreator {
public:
    explicit MirroredCreator(IModuleCreator* library) : library_(library) {}
    const char* GetModuleName() override { return library_->GetModuleName(); }
    IModule* GetModule() override {
        if (module == nullptr) {
            IModule* made = library_->GetModule();
            if (made != nullptr) module = new MirroredModule(made);
        }
        return module;
    }

private:
    IModuleCreator* library_;
};

void* g_plugin = nullptr;
GetVersionFunc g_getVersion = nullptr;
IModuleCreator* g_creators = nullptr;

}  // namespace

extern "C" {

__declspec(dllexport) void VoGameMsvcHost_Close() {
    if (g_plugin != nullptr) FreeLibrary(g_plugin);  // the library's creators destroy its modules
    g_plugin = nullptr;
    g_getVersion = nullptr;
    g_creators = nullptr;
    Bridge::ForgetKernels();
    Bridge::ForgetSiblings();
    Bridge::ForgetCallbacks();
    Bridge::DropHeap();
}

__declspec(dllexport) int VoGameMsvcHost_Open(const char16_t* path) {
    VoGameMsvcHost_Close();
    if (path == nullptr || !Bridge::MakeHeap()) return 0;
    g_plugin = LoadLibraryW(path);
    if (g_plugin == nullptr) return 0;
    const auto getVersion = reinterpret_cast<GetVersionFunc>(GetProcAddress(g_plugin, kGetVersionExport));
    const auto getCreators = reinterpret_cast<GetModuleCreatorFunc>(GetProcAddress(g_plugin, kGetModuleCreatorExport));
    if (getVersion == nullptr || getCreators == nullptr) {
        VoGameMsvcHost_Close();
        return 0;
    }
    g_getVersion = getVersion;
    IModuleCreator** tail = &g_creators;
    for (IModuleCreator* creator = getCreators(); creator != nullptr; creator = creator->next) {
        *tail = new MirroredCreator(creator);
        tail = &(*tail)->next;
    }
    return 1;
}

VOGAME_EXPORT unsigned int VoGameLogic_GetVersion() { return g_getVersion != nullptr ? g_getVersion() : 0; }

VOGAME_EXPORT IModuleCreator* VoGameLogic_GetModuleCreator() { return g_creators; }

}  // extern "C"
