#pragma once
// The sibling that calls named property callbacks when watched properties of an
// object are set through the kernel.
//
// A watch is kept once per (object, property, callback name): adding it again
// changes nothing. Every set through the kernel (SetInt... and HostKernel::
// SetProperty) calls the object's watches of that property, in the order they
// were added, with the previous value as a one-value list, even when the value
// did not change. A watch whose name was never declared is kept and diagnosed
// when it would fire. Watches of a destroyed object stop firing.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "HostKernel.h"
#include "module/ICriticalManagerSystem.h"

class CriticalManagerSystem final : public ICriticalManagerSystem, public PropertyObserver {
public:
    VOGAME_DELETING_DESTRUCTOR(CriticalManagerSystem)
    explicit CriticalManagerSystem(HostKernel& kernel);  // registers itself as the kernel's observer
    ~CriticalManagerSystem() override;

    bool DeclarePropertyCallback(IKernel* kernel, PropertyCallback func, const char* name) override;
    bool AddPropertyWatch(IKernel* kernel, const ObjectId& obj, const char* property,
                          const char* callbackName) override;

    void OnPropertySet(HostKernel& kernel, const ObjectId& obj, const char* property,
                       const HostValue& previous) override;

    bool IsDeclared(std::string_view name) const;
    bool IsWatched(const ObjectId& obj, std::string_view property, std::string_view callbackName) const;
    std::size_t WatchCount(const ObjectId& obj) const;
    std::uint64_t CallbacksRun() const noexcept;
    void Forget();                           // drops every declaration and watch (library unload)
    void ForgetObject(const ObjectId& obj);  // drops the object's watches (it is gone for good)

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
