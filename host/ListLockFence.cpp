#include "ListLockFence.h"

#include <algorithm>

std::string ServerName(int server) { return server == 0 ? "the host" : "server " + std::to_string(server); }

namespace {
std::string Now(int value, int holder, std::uint64_t generation) {
    return (value == 1 && holder != 0 ? "held by " + ServerName(holder) : std::string("free")) + " (generation " +
           std::to_string(generation) + ")";
}
}  // namespace

std::string ApplyRefusal(int caller, std::uint64_t generation, int takenOverBy, int value, int holder,
                         std::uint64_t lockGeneration, std::string_view lock) {
    return "refused to " + ServerName(caller) + ": its hold (generation " + std::to_string(generation) +
           ") was taken over" + (takenOverBy != 0 ? " by " + ServerName(takenOverBy) : std::string()) + "; " +
           std::string(lock) + " is " + Now(value, holder, lockGeneration);
}

int ListLockFence::TakenOverBy(int caller) const noexcept {
    for (const Fence& f : fenced_)
        if (f.server == caller) return f.by;
    return 0;
}

void ListLockFence::Granted(int caller, int expected, int desired) {
    if (desired != 1) {
        if (expected == 1 && desired == 0) holder_ = 0;
        return;
    }
    ++generation_;
    fenced_.erase(
        std::remove_if(fenced_.begin(), fenced_.end(), [caller](const Fence& f) { return f.server == caller; }),
        fenced_.end());
    if (expected == 1 && holder_ != 0 && holder_ != caller) {
        fenced_.erase(
            std::remove_if(fenced_.begin(), fenced_.end(), [this](const Fence& f) { return f.server == holder_; }),
            fenced_.end());
        fenced_.push_back({holder_, caller});
    }
    holder_ = caller;
}

std::string ListLockFence::WriteRefusal(int caller, int value, std::string_view lock) const {
    if (caller == 0) return {};
    if (const int by = TakenOverBy(caller); by != 0) {
        return "refused to " + ServerName(caller) + ": its hold of " + std::string(lock) + " was taken over by " +
               ServerName(by) + " (now " + Now(value, holder_, generation_) + ")";
    }
    if (value == 1 && holder_ != 0 && holder_ != caller) {
        return "refused to " + ServerName(caller) + ": " + std::string(lock) + " is " +
               Now(value, holder_, generation_);
    }
    return {};
}

std::string ListLockFence::ReleaseRefusal(int caller, int value, std::string_view lock) const {
    if (caller == 0 || value != 1) return {};  // a release of a free lock simply fails
    if (Fenced(caller) || (holder_ != 0 && holder_ != caller)) {
        return "release refused to " + ServerName(caller) + ": " + std::string(lock) + " is " +
               Now(value, holder_, generation_);
    }
    return {};
}
