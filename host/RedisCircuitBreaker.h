#pragma once
// Fails calls at once while the Redis server is known to be down, so an outage
// costs a server's logic thread one reconnect sequence instead of one per
// call. Closed, every call goes to the server. A call that gives up after its
// reconnects opens it; while open, calls fail without touching the network,
// except one probe per interval, which closes it when the server answers.
// Not thread-safe: the connection uses it under its own lock.
#include <chrono>
#include <cstdint>

class RedisCircuitBreaker {
public:
    using Clock = std::chrono::steady_clock;

    explicit RedisCircuitBreaker(std::chrono::milliseconds probeInterval) : probeInterval_(probeInterval) {}

    bool IsOpen() const noexcept { return open_; }
    // Whether a call may try the server now: closed, or open with a probe due
    // (the caller then is the probe). A call refused is counted.
    bool Allows(Clock::time_point now);
    // The server answered. True when this closed the circuit.
    bool Answered();
    // A call gave up, or a probe found the server still down. True when this opened the circuit.
    bool GaveUp(Clock::time_point now);

    // Calls refused since the circuit last opened, and how long it has been open.
    std::uint64_t Refused() const noexcept { return refused_; }
    Clock::duration OpenFor(Clock::time_point now) const noexcept {
        return open_ ? now - openedAt_ : Clock::duration{};
    }

private:
    std::chrono::milliseconds probeInterval_;
    bool open_ = false;
    Clock::time_point openedAt_{};
    Clock::time_point nextProbe_{};
    std::uint64_t refused_ = 0;
};
