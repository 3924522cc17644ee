#include "CriticalManagerSystem.h"
#include "ObjectKey.h"
#include "TextMap.h"

#include <unordered_map>

namespace {

struct Watch {
    std::string property;
    std::string callbackName;
    PropertyCallback func = nullptr;  // resolved when declared before the watch was added
};
}  // namespace

struct CriticalManagerSystem::Impl {
    HostKernel& kernel;
    TextMap<std::string, PropertyCallback> declared;
    std::unordered_map<std::uint64_t, std::vector<Watch>> watches;
    std::uint64_t callbacksRun = 0;
    explicit Impl(HostKernel& k) : kernel(k) {}
};

CriticalManagerSystem::CriticalManagerSystem(HostKernel& kernel) : impl_(std::make_unique<Impl>(kernel)) {
    kernel.SetPropertyObserver(this);
}

CriticalManagerSystem::~CriticalManagerSystem() { impl_->kernel.SetPropertyObserver(nullptr); }

bool CriticalManagerSystem::DeclarePropertyCallback(IKernel* /*kernel*/, PropertyCallback func, const char* name) {
    if (func == nullptr || name == nullptr || *name == '\0') return false;
    impl_->declared.insert_or_assign(std::string(name), func);
    // Watches added before the declaration now resolve to it.
    for (auto& [key, list] : impl_->watches)
        for (Watch& w : list)
            if (w.callbackName == name) w.func = func;
    return true;
}

bool CriticalManagerSystem::AddPropertyWatch(IKernel* /*kernel*/, const ObjectId& obj, const char* property,
                                             const char* callbackName) {
    if (property == nullptr || *property == '\0' || callbackName == nullptr || *callbackName == '\0') return false;
    if (!impl_->kernel.Exists(obj)) {
        impl_->kernel.Diagnostics().Add(std::string("AddPropertyWatch: no such object for ") + callbackName);
        return false;
    }
    std::vector<Watch>& list = impl_->watches[KeyOf(obj)];
    for (const Watch& w : list)
        if (w.property == property && w.callbackName == callbackName) return true;  // kept once
    auto declared = impl_->declared.find(std::string_view(callbackName));
    list.push_back(Watch{property, callbackName, declared == impl_->declared.end() ? nullptr : declared->second});
    return true;
}

void CriticalManagerSystem::OnPropertySet(HostKernel& kernel, const ObjectId& obj, const char* property,
                                          const HostValue& previous) {
    auto it = impl_->watches.find(KeyOf(obj));
    if (it == impl_->watches.end()) return;
    // Collect first: a callback may add watches (and so move the list).
    constexpr std::size_t kInline = 8;
    PropertyCallback inlineFuncs[kInline];
    std::vector<PropertyCallback> more;
    std::size_t count = 0;
    const std::string_view name(property);
    for (const Watch& w : it->second) {
        if (w.property != name) continue;
        PropertyCallback func = w.func;
        if (func == nullptr) {
            kernel.Diagnostics().Add("property watch " + w.callbackName + " on " + w.property + " was never declared");
            continue;
        }
        if (count < kInline)
            inlineFuncs[count] = func;
        else
            more.push_back(func);
        ++count;
    }
    if (count == 0) return;
    CVarList prev;
    PushValue(prev, previous);
    const ObjectId self = obj;
    for (std::size_t i = 0; i < count; ++i) {
        PropertyCallback func = i < kInline ? inlineFuncs[i] : more[i - kInline];
        ++impl_->callbacksRun;
        func(&kernel, self, property, prev);
    }
}

bool CriticalManagerSystem::IsDeclared(std::string_view name) const {
    return impl_->declared.find(name) != impl_->declared.end();
}

bool CriticalManagerSystem::IsWatched(const ObjectId& obj, std::string_view property,
                                      std::string_view callbackName) const {
    auto it = impl_->watches.find(KeyOf(obj));
    if (it == impl_->watches.end()) return false;
    for (const Watch& w : it->second)
        if (w.property == property && w.callbackName == callbackName) return true;
    return false;
}

std::size_t CriticalManagerSystem::WatchCount(const ObjectId& obj) const {
    auto it = impl_->watches.find(KeyOf(obj));
    return it == impl_->watches.end() ? 0 : it->second.size();
}

std::uint64_t CriticalManagerSystem::CallbacksRun() const noexcept { return impl_->callbacksRun; }

void CriticalManagerSystem::ForgetObject(const ObjectId& obj) { impl_->watches.erase(KeyOf(obj)); }

void CriticalManagerSystem::Forget() {
    impl_->declared.clear();
    impl_->watches.clear();
}
