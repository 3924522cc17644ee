#pragma once
// The sibling that raises timed events: each registration fires daily at its
// time of day, on the kernel's clock, as command 326 on the "BaseScene" object
// of its scene (kind as element 1, the registration's arguments after it).
// Registrations are never merged: registering twice fires twice. A time text
// that is not "h:m:s" with h 0-23, m and s 0-59 is refused and counted. A scene
// that does not exist when the time comes is diagnosed and skipped that day.
#include <string>
#include <vector>

#include "HostKernel.h"
#include "module/IEventTimeSystem.h"

class EventTimeSystem final : public IEventTimeSystem {
public:
    VOGAME_DELETING_DESTRUCTOR(EventTimeSystem)
    static constexpr int kTimedEventCommand = 326;

    explicit EventTimeSystem(HostKernel& kernel) : kernel_(kernel) {}

    bool AddTimeEvent(int kind, const char* timeText, int sceneId, const IVarList& args) override;

    struct Registration {
        int kind = 0;
        int secondOfDay = 0;
        int sceneId = 0;
        CVarList args;
    };
    const std::vector<Registration>& Registrations() const noexcept { return registrations_; }
    std::size_t Fired() const noexcept { return fired_; }
    std::size_t Refused() const noexcept { return refused_; }  // registrations with a bad time text
    void Forget();                                             // drops every registration and its timer

private:
    void Fire(std::size_t registration);

    HostKernel& kernel_;
    std::vector<Registration> registrations_;
    std::vector<std::uint64_t> timers_;
    std::size_t fired_ = 0;
    std::size_t refused_ = 0;
};
