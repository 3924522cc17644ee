#pragma once
// A module's registrations as tables, each registered in table order: host
// callbacks (events, commands, custom messages), property callbacks declared by
// name with the CriticalManagerSystem sibling, and the watches on a player.
// Every function the tables (and DeclareHeartBeat) hand to the host is given as
// Contained<F>, a host entry (Utility/HostEntry.h).
#include <span>

#include "../Utility/HostEntry.h"
#include "../module/ObjectId.h"
#include "../module/KernelCallbacks.h"

class IKernel;
class ICriticalManagerSystem;

namespace TopList {

// Every callback of the leaderboards is registered with this priority.
inline constexpr int kCallbackPriority = 3;

struct HostCallback {
    enum class Kind { Event, Command, Custom };
    Kind kind;
    const char* className;  // events and commands
    const char* event;      // events
    int id;                 // the command or the custom message
    EventCallback func;
};

constexpr HostCallback OnEvent(const char* className, const char* event, EventCallback func) {
    return {HostCallback::Kind::Event, className, event, 0, func};
}
constexpr HostCallback OnCommand(const char* className, int command, CommandCallback func) {
    return {HostCallback::Kind::Command, className, nullptr, command, func};
}
constexpr HostCallback OnCustom(int message, CustomCallback func) {
    return {HostCallback::Kind::Custom, nullptr, nullptr, message, func};
}

void RegisterHostCallbacks(IKernel* kernel, std::span<const HostCallback> callbacks);

struct NamedPropertyCallback {
    const char* name;  // "Class::Method"
    PropertyCallback func;
};

void DeclarePropertyCallbacks(ICriticalManagerSystem* manager, IKernel* kernel,
                              std::span<const NamedPropertyCallback> callbacks);

struct PropertyWatch {
    const char* property;
    const char* callback;  // a declared callback name
};

void AttachWatches(ICriticalManagerSystem* manager, IKernel* kernel, const ObjectId& player,
                   std::span<const PropertyWatch> watches);

}  // namespace TopList
