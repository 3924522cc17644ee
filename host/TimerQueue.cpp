#include "TimerQueue.h"

#include <algorithm>

#include "CallbackDispatch.h"
#include "HostObjects.h"
#include "ObjectKey.h"
#include "HostKernel.h"
#include "PubDataGate.h"

TimerQueue::TimerQueue(HostKernel& kernel, HostObjects& objects, CallbackDispatch& dispatch, const PubDataGate& gate)
    : kernel_(kernel), objects_(objects), dispatch_(dispatch), gate_(gate) {}

bool TimerQueue::Declare(std::string_view name, HeartBeatCallback func) {
    if (func == nullptr || name.empty()) return false;
    functions_.insert_or_assign(std::string(name), func);
    return true;
}

bool TimerQueue::Attach(const ObjectId& obj, std::string_view name, int intervalMs) {
    if (objects_.Find(obj) == nullptr || intervalMs < 1 || functions_.count(name) == 0) return false;
    auto& attached = attachments_[KeyOf(obj)];
    const char* kept = names_.Intern(name);
    if (attached.count(kept) != 0) return false;
    const std::uint64_t generation = ++generation_;
    attached.emplace(kept, Attachment{intervalMs, generation});
    queue_.push(Due{clock_.NowMs() + intervalMs, ++seq_, true, obj, kept, generation});
    return true;
}

bool TimerQueue::Attached(const ObjectId& obj, std::string_view name) const {
    if (objects_.Find(obj) == nullptr) return false;
    auto it = attachments_.find(KeyOf(obj));
    return it != attachments_.end() && it->second.count(name) != 0;
}

void TimerQueue::Detach(const ObjectId& obj) { attachments_.erase(KeyOf(obj)); }

bool TimerQueue::RunNow(const ObjectId& obj, std::string_view name) {
    const HostObject* object = objects_.Find(obj);
    if (object == nullptr || !Attached(obj, name) || gate_.Halted()) return false;
    auto func = functions_.find(name);
    if (func == functions_.end()) return false;
    const ObjectId self = obj;
    const CallbackDispatch::SceneScope scope(dispatch_, *object);
    func->second(&kernel_, self);
    return true;
}

void TimerQueue::Forget() {
    functions_.clear();
    attachments_.clear();
}

std::uint64_t TimerQueue::AddTimer(std::int64_t dueMs, std::int64_t periodMs, TimerFunc func) {
    const std::uint64_t id = nextTimerId_++;
    hostTimers_.emplace(id, HostTimer{std::max<std::int64_t>(periodMs, 0), std::move(func)});
    queue_.push(Due{dueMs, ++seq_, false, ObjectId{}, nullptr, id});
    return id;
}

bool TimerQueue::CancelTimer(std::uint64_t id) { return hostTimers_.erase(id) != 0; }

void TimerQueue::CancelTimers() { hostTimers_.clear(); }

const TimerQueue::Attachment* TimerQueue::AttachmentOf(const Due& d) const {
    if (objects_.Find(d.obj) == nullptr) return nullptr;
    auto object = attachments_.find(KeyOf(d.obj));
    if (object == attachments_.end()) return nullptr;
    auto it = object->second.find(std::string_view(d.name));
    return it == object->second.end() || it->second.generation != d.generation ? nullptr : &it->second;
}

void TimerQueue::SetClock(std::int64_t now) {
    clock_.SetMs(now);
    std::vector<Due> pending;
    while (!queue_.empty()) {
        pending.push_back(queue_.top());
        queue_.pop();
    }
    for (Due& d : pending) {
        std::int64_t period = 0;
        if (d.heartbeat) {
            const Attachment* attachment = AttachmentOf(d);
            if (attachment == nullptr) continue;
            period = attachment->intervalMs;
        } else {
            auto it = hostTimers_.find(d.generation);
            if (it == hostTimers_.end()) continue;
            period = it->second.periodMs;
        }
        if (period > 0) {
            const std::int64_t offset = ((d.due - now) % period + period) % period;
            d.due = now + (offset == 0 ? period : offset);
        }
        queue_.push(d);
    }
}

void TimerQueue::AdvanceTo(std::int64_t target) {
    if (advancing_) return;  // a callback cannot move the clock under its caller
    advancing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{advancing_};
    while (!queue_.empty() && queue_.top().due <= target) {
        const Due d = queue_.top();
        queue_.pop();
        if (d.due > clock_.NowMs()) clock_.SetMs(d.due);
        if (d.heartbeat) {
            const Attachment* attachment = AttachmentOf(d);
            if (attachment == nullptr) continue;
            Due next = d;
            next.due = d.due + attachment->intervalMs;
            next.seq = ++seq_;
            queue_.push(next);
            if (!gate_.Halted()) RunHeartbeat(d.obj, d.name);
        } else {
            auto it = hostTimers_.find(d.generation);
            if (it == hostTimers_.end()) continue;
            TimerFunc func = it->second.func;
            if (it->second.periodMs > 0) {
                Due next = d;
                next.due = d.due + it->second.periodMs;
                next.seq = ++seq_;
                queue_.push(next);
            } else {
                hostTimers_.erase(it);
            }
            if (!gate_.Halted()) func(kernel_);
        }
    }
    if (target > clock_.NowMs()) clock_.SetMs(target);
}

void TimerQueue::RunHeartbeat(const ObjectId& obj, const char* name) {
    auto func = functions_.find(std::string_view(name));
    const HostObject* object = objects_.Find(obj);
    if (func == functions_.end() || object == nullptr) return;
    const ObjectId self = obj;
    const CallbackDispatch::SceneScope scope(dispatch_, *object);
    func->second(&kernel_, self);
}
