#pragma once
// What a store keeps beside a list lock's value so that a server whose hold
// was taken over can do no harm: the holder, the generation of its hold, and
// the servers fenced off (their hold taken over, the lock not taken again
// since). The rules are PubDataStore's (see its contract); the Redis store keeps
// the same state in the lock's hash and applies the same rules in its scripts.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ListLockFence {
public:
    // A compare-and-set by caller that set the lock from expected to 1 was
    // granted: caller holds it under a new generation (a takeover fences the
    // holder it replaced). A release leaves no holder.
    void Granted(int caller, int expected, int desired);
    // SetPropertyInt: the value stands with no holder.
    void Set() noexcept { holder_ = 0; }

    // Why caller may not write the guarded record while the lock holds value;
    // empty when it may.
    std::string WriteRefusal(int caller, int value, std::string_view lock) const;
    // Why caller may not release the lock (a compare-and-set from 1 to 0); empty when it may.
    std::string ReleaseRefusal(int caller, int value, std::string_view lock) const;

    int Holder() const noexcept { return holder_; }
    std::uint64_t Generation() const noexcept { return generation_; }
    bool Fenced(int caller) const noexcept { return TakenOverBy(caller) != 0; }
    // The server whose takeover fenced caller off; 0 when caller is not fenced.
    int TakenOverBy(int caller) const noexcept;

private:
    struct Fence {
        int server;
        int by;
    };
    int holder_ = 0;
    std::uint64_t generation_ = 0;
    std::vector<Fence> fenced_;
};

// "server 3"; "the host" for calls outside every server.
std::string ServerName(int server);
// Why a hold's writes were refused at its end (ApplyList): for caller, whose
// hold under generation was not the lock's any more.
std::string ApplyRefusal(int caller, std::uint64_t generation, int takenOverBy, int value, int holder,
                         std::uint64_t lockGeneration, std::string_view lock);
