#include "RedisCircuitBreaker.h"

bool RedisCircuitBreaker::Allows(Clock::time_point now) {
    if (!open_ || now >= nextProbe_) return true;
    ++refused_;
    return false;
}

bool RedisCircuitBreaker::Answered() {
    if (!open_) return false;
    open_ = false;
    return true;
}

bool RedisCircuitBreaker::GaveUp(Clock::time_point now) {
    nextProbe_ = now + probeInterval_;
    if (open_) return false;
    open_ = true;
    openedAt_ = now;
    refused_ = 0;
    return true;
}
