#include "EventTimeSystem.h"

#include <cstdio>

namespace {
// "h:m:s" with h 0-23, m and s 0-59; -1 otherwise.
int SecondOfDay(const char* text) {
    if (text == nullptr) return -1;
    int h = 0, m = 0, s = 0, used = 0;
    if (std::sscanf(text, "%d:%d:%d%n", &h, &m, &s, &used) != 3 || text[used] != '\0') return -1;
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return -1;
    return (h * 60 + m) * 60 + s;
}
}  // namespace

bool EventTimeSystem::AddTimeEvent(int kind, const char* timeText, int sceneId, const IVarList& args) {
    const int second = SecondOfDay(timeText);
    if (second < 0) {  // an empty text comes from a missing rule file: a setting, not a fault
        ++refused_;
        return false;
    }
    registrations_.push_back(Registration{kind, second, sceneId, CVarList(args)});
    const std::size_t index = registrations_.size() - 1;
    // The next moment of that time of day, today when it is still ahead.
    const std::int64_t now = kernel_.Clock().NowMs();
    const std::int64_t day = now - ((now % HostClock::kMsPerDay) + HostClock::kMsPerDay) % HostClock::kMsPerDay;
    std::int64_t due = day + static_cast<std::int64_t>(second) * 1000;
    if (due <= now) due += HostClock::kMsPerDay;
    timers_.push_back(kernel_.AddTimer(due, HostClock::kMsPerDay, [this, index](HostKernel&) { Fire(index); }));
    return true;
}

void EventTimeSystem::Fire(std::size_t registration) {
    const Registration& r = registrations_[registration];
    const ObjectId scene = kernel_.SceneObject(r.sceneId);
    if (scene.IsNull() || !kernel_.IsA(scene, "BaseScene")) {
        kernel_.Diagnostics().Add("timed event " + std::to_string(r.kind) + ": no scene " + std::to_string(r.sceneId));
        return;
    }
    CVarList msg;
    msg.PushInt(kTimedEventCommand);
    msg.PushInt(r.kind);
    msg.PushAll(r.args);
    ++fired_;
    kernel_.RunCommand(scene, msg);
}

void EventTimeSystem::Forget() {
    for (std::uint64_t id : timers_) kernel_.CancelTimer(id);
    timers_.clear();
    registrations_.clear();
}
