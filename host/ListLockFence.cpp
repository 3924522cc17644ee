#include "ListLockFence.h"

#include <algorithm>

std::string ServerName(int server) { return server == 0 ? "the host" : "server " + std::to_string(server); }

bool ListLockFence::Fenced(int caller) const noexcept {
    return std::find(fenced_.begin(), fenced_.end(), caller) != fenced_.end();
}

void ListLockFence::Granted(int caller, int expected, int desired) {
    if (desired != 1) {
        if (expected == 1 && desired == 0) holder_ = 0;
        return;
    }
    ++generation_;
    if (expected == 1 && holder_ != 0 && holder_ != caller && !Fenced(holder_)) fenced_.push_back(holder_);
    fenced_.erase(std::remove(fenced_.begin(), fenced_.end(), caller), fenced_.end());
    holder_ = caller;
}

std::string ListLockFence::WriteRefusal(int caller, int value, std::string_view lock) const {
    if (caller == 0) return {};
    if (Fenced(caller)) {
        return "refused to " + ServerName(caller) + ": its hold of " + std::string(lock) + " was taken over (now " +
               (value == 1 && holder_ != 0 ? "held by " + ServerName(holder_) : std::string("free")) + ", generation " +
               std::to_string(generation_) + ")";
    }
    if (value == 1 && holder_ != 0 && holder_ != caller) {
        return "refused to " + ServerName(caller) + ": " + std::string(lock) + " is held by " + ServerName(holder_) +
               " (generation " + std::to_string(generation_) + ")";
    }
    return {};
}

std::string ListLockFence::ReleaseRefusal(int caller, int value, std::string_view lock) const {
    if (caller == 0 || value != 1) return {};  // a release of a free lock simply fails
    if (Fenced(caller) || (holder_ != 0 && holder_ != caller)) {
        return "release refused to " + ServerName(caller) + ": " + std::string(lock) + " is held by " +
               ServerName(holder_) + " (generation " + std::to_string(generation_) + ")";
    }
    return {};
}
