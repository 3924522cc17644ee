#pragma once
// The server's clock and everything that falls due on it: the library's
// heartbeat functions attached to objects, and the host's own timers (the
// event-time sibling's daily events, tests). Moving the clock runs what falls
// due on the way in time order (ties in scheduling order), with the clock set
// to each one's time; nothing runs while the server is halted.
#include <cstdint>
#include <functional>
#include <queue>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "HostClock.h"
#include "NameTable.h"
#include "TextMap.h"
#include "module/IKernel.h"

class CallbackDispatch;
class HostKernel;
class HostObjects;
class PubDataGate;

class TimerQueue {
public:
    using TimerFunc = std::function<void(HostKernel&)>;

    // kernel is what heartbeats and timers receive.
    TimerQueue(HostKernel& kernel, HostObjects& objects, CallbackDispatch& dispatch, const PubDataGate& gate);

    HostClock& Clock() noexcept { return clock_; }
    const HostClock& Clock() const noexcept { return clock_; }

    // --- heartbeats ---
    // Known until Forget; false for a null function or empty name. A second declaration replaces the first.
    bool Declare(std::string_view name, HeartBeatCallback func);
    // False when the object is missing, the name undeclared, interval < 1 or already attached.
    bool Attach(const ObjectId& obj, std::string_view name, int intervalMs);
    bool Attached(const ObjectId& obj, std::string_view name) const;
    void Detach(const ObjectId& obj);                         // every heartbeat of a destroyed object
    bool RunNow(const ObjectId& obj, std::string_view name);  // one attached heartbeat, now
    void Forget();  // every function and attachment (library unload); pending runs find none

    // --- host timers ---
    std::uint64_t AddTimer(std::int64_t dueMs, std::int64_t periodMs, TimerFunc func);  // its id
    bool CancelTimer(std::uint64_t id);
    void CancelTimers();

    // --- moving the clock ---
    // Sets the clock; periodic runs keep their phase and next fall due within one
    // period of the new time, so a jump neither replays missed periods nor skips ahead.
    void SetClock(std::int64_t nowMs);
    // Runs everything due up to target; a call from inside a run does nothing.
    void AdvanceTo(std::int64_t target);

private:
    struct Due {
        std::int64_t due = 0;
        std::uint64_t seq = 0;
        bool heartbeat = false;
        ObjectId obj;                  // heartbeat
        const char* name = nullptr;    // heartbeat, interned
        std::uint64_t generation = 0;  // heartbeat attachment / host timer id
        bool operator>(const Due& o) const noexcept { return due != o.due ? due > o.due : seq > o.seq; }
    };
    struct Attachment {
        std::int64_t intervalMs = 0;
        std::uint64_t generation = 0;
    };
    struct HostTimer {
        std::int64_t periodMs = 0;
        TimerFunc func;
    };
    // The attachment a pending heartbeat run belongs to; null when it is stale
    // (object gone, detached, attached again since).
    const Attachment* AttachmentOf(const Due& d) const;
    void RunHeartbeat(const ObjectId& obj, const char* name);

    HostKernel& kernel_;
    HostObjects& objects_;
    CallbackDispatch& dispatch_;
    const PubDataGate& gate_;
    HostClock clock_;
    NameTable names_;
    TextMap<std::string, HeartBeatCallback> functions_;
    std::unordered_map<std::uint64_t, TextMap<std::string_view, Attachment>> attachments_;  // by object key
    std::priority_queue<Due, std::vector<Due>, std::greater<>> queue_;
    std::unordered_map<std::uint64_t, HostTimer> hostTimers_;
    std::uint64_t nextTimerId_ = 1;
    std::uint64_t generation_ = 0;
    std::uint64_t seq_ = 0;
    bool advancing_ = false;
};
