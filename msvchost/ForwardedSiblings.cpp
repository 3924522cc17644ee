// The host's sibling modules as the library sees them: each operation goes to
// the host's sibling with the host's kernel in place of the library's, its
// callback as a trampoline and its list forwarded.
#include "../module/ICriticalManagerSystem.h"
#include "../module/IEventTimeSystem.h"
#include "../module/ILetterSystem.h"
#include "../module/IVirtualRecSystem.h"
#include "Bridge.h"
#include "ForwardedList.h"

namespace {

bool SameText(const char* a, const char* b) {
    if (a == nullptr) return false;
    while (*a != '\0' && *a == *b) ++a, ++b;
    return *a == *b;
}

// What every module answers: Init, AfterInit, Shut.
template <class Interface>
class ForwardedModule : public Interface {
public:
    explicit ForwardedModule(IModule* host) : host_(static_cast<Interface*>(host)) {}
    bool Init(IKernel* kernel) override { return host_->Init(Bridge::HostKernel(kernel)); }
    bool AfterInit(IKernel* kernel) override { return host_->AfterInit(Bridge::HostKernel(kernel)); }
    bool Shut() override { return host_->Shut(); }

protected:
    Interface* host_;
};

class ForwardedCriticalManager final : public ForwardedModule<ICriticalManagerSystem> {
public:
    using ForwardedModule::ForwardedModule;
    bool DeclarePropertyCallback(IKernel* kernel, PropertyCallback func, const char* name) override {
        IKernel* hostKernel = Bridge::HostKernel(kernel);
        const PropertyCallback trampoline = Bridge::HostPropertyCallback(func);
        if (func != nullptr && trampoline == nullptr) {
            if (hostKernel != nullptr) hostKernel->WriteTrace(Bridge::kNoTrampolineLeft);
            return false;
        }
        return host_->DeclarePropertyCallback(hostKernel, trampoline, name);
    }
    bool AddPropertyWatch(IKernel* kernel, const ObjectId& obj, const char* property,
                          const char* callbackName) override {
        return host_->AddPropertyWatch(Bridge::HostKernel(kernel), obj, property, callbackName);
    }
};

class ForwardedVirtualRec final : public ForwardedModule<IVirtualRecSystem> {
public:
    using ForwardedModule::ForwardedModule;
    bool SendVirtualRecord(IKernel* kernel, const ObjectId& obj, const char* recName, const IVarList& values) override {
        const ForwardedList list(values);
        return host_->SendVirtualRecord(Bridge::HostKernel(kernel), obj, recName, list);
    }
};

class ForwardedLetters final : public ForwardedModule<ILetterSystem> {
public:
    using ForwardedModule::ForwardedModule;
    bool SendLetter(IKernel* kernel, const char16_t* sender, const char16_t* receiver, const char16_t* title,
                    const char16_t* content, const char16_t* attachment, int kind, const char16_t* extra) override {
        return host_->SendLetter(Bridge::HostKernel(kernel), sender, receiver, title, content, attachment, kind, extra);
    }
};

class ForwardedEventTime final : public ForwardedModule<IEventTimeSystem> {
public:
    using ForwardedModule::ForwardedModule;
    bool AddTimeEvent(int kind, const char* timeText, int sceneId, const IVarList& args) override {
        const ForwardedList list(args);
        return host_->AddTimeEvent(kind, timeText, sceneId, list);
    }
};

// By the name the library asked for: the four siblings it knows, any other as a plain module.
IModule* ForwardSibling(IModule* host, const char* name) {
    if (SameText(name, "CriticalManagerSystem")) return new ForwardedCriticalManager(host);
    if (SameText(name, "VirtualRecSystem")) return new ForwardedVirtualRec(host);
    if (SameText(name, "LetterSystem")) return new ForwardedLetters(host);
    if (SameText(name, "EventTimeSystem")) return new ForwardedEventTime(host);
    return new ForwardedModule<IModule>(host);
}

// The siblings forwarded so far: a handful, so a plain list.
struct SiblingLink {
    IModule* host;
    IModule* library;
    SiblingLink* next;
};
SiblingLink* g_siblings = nullptr;

}  // namespace

IModule* Bridge::LibrarySibling(IModule* hostSibling, const char* name) {
    for (SiblingLink* link = g_siblings; link != nullptr; link = link->next)
        if (link->host == hostSibling) return link->library;
    g_siblings = new SiblingLink{hostSibling, ForwardSibling(hostSibling, name), g_siblings};
    return g_siblings->library;
}

void Bridge::ForgetSiblings() { g_siblings = nullptr; }
