#include "Registrations.h"

#include "../module/ICriticalManagerSystem.h"
#include "../module/IKernel.h"

namespace TopList {

void RegisterHostCallbacks(IKernel* kernel, std::span<const HostCallback> callbacks) {
    for (const HostCallback& c : callbacks) {
        switch (c.kind) {
            case HostCallback::Kind::Event:
                kernel->AddEventCallback(c.className, c.event, c.func, kCallbackPriority);
                break;
            case HostCallback::Kind::Command:
                kernel->AddCommandCallback(c.className, c.id, c.func, kCallbackPriority);
                break;
            case HostCallback::Kind::Custom: kernel->AddCustomCallback(c.id, c.func, kCallbackPriority); break;
        }
    }
}

void DeclarePropertyCallbacks(ICriticalManagerSystem* manager, IKernel* kernel,
                              std::span<const NamedPropertyCallback> callbacks) {
    if (manager == nullptr) return;
    for (const NamedPropertyCallback& c : callbacks) manager->DeclarePropertyCallback(kernel, c.func, c.name);
}

void AttachWatches(ICriticalManagerSystem* manager, IKernel* kernel, const ObjectId& player,
                   std::span<const PropertyWatch> watches) {
    if (manager == nullptr) return;
    for (const PropertyWatch& w : watches) manager->AddPropertyWatch(kernel, player, w.property, w.callback);
}

}  // namespace TopList
