#pragma once
// One client connection to the Redis server of a world, shared by the threads
// of this process (one round trip at a time). It authenticates, loads the
// store's scripts (SCRIPT LOAD once, EVALSHA after; a server that lost them,
// after a restart, gets them again on NOSCRIPT), and survives a lost
// connection: a bounded number of reconnects with growing pauses, after which
// the call fails with the cause. Writes carry this connection's client id and
// a sequence number, so a write sent again after a reconnect is not applied
// twice (see RedisScripts.h).
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "RedisAddress.h"
#include "RedisScripts.h"

struct redisContext;
struct redisReply;

struct RedisReplyFree {
    void operator()(redisReply* reply) const noexcept;
};
using RedisReplyPtr = std::unique_ptr<redisReply, RedisReplyFree>;

// Round trips by the store operation that made them.
struct RedisTrips {
    std::uint64_t calls = 0;  // store operations
    std::uint64_t trips = 0;  // round trips they made (reloads and resends included)
};

class RedisConnection {
public:
    explicit RedisConnection(RedisAddress address);
    ~RedisConnection();
    RedisConnection(const RedisConnection&) = delete;
    RedisConnection& operator=(const RedisConnection&) = delete;

    // Connects, authenticates and loads the scripts. False with one line naming
    // the address (never the password) and the cause.
    bool Open(std::string& error);
    const RedisAddress& Address() const noexcept { return address_; }

    // Runs the script with KEYS = keys and ARGV = prefix, client id, sequence
    // (writes only), the calling server, args. Null with the cause in error when
    // no reply came even after reconnecting, or the server answered with an error.
    RedisReplyPtr Run(std::string_view op, RedisScript script, const std::vector<std::string_view>& keys,
                      const std::vector<std::string_view>& args, int caller, std::string& error);
    // One plain command, same failure handling.
    RedisReplyPtr Command(std::string_view op, const std::vector<std::string_view>& argv, std::string& error);

    // Closes the socket as a network fault would; the next call reconnects.
    void DropForTest();
    // While set, every call fails at once as after the last reconnect.
    void FailForTest(bool fail);

    std::map<std::string, RedisTrips, std::less<>> TripsByOperation() const;
    std::uint64_t Reconnects() const;
    std::uint64_t FailedCalls() const;
    // The round trips of every operation so far (the sum of TripsByOperation), without a lock.
    std::uint64_t RoundTrips() const noexcept { return tripTotal_.load(std::memory_order_relaxed); }

    // Attempts and the first pause of the reconnect back-off (the pause doubles).
    static constexpr int kReconnectAttempts = 6;
    static constexpr int kFirstPauseMs = 20;

private:
    bool ConnectOnce(std::string& error);
    bool LoadScripts(std::string& error);
    RedisReplyPtr RoundTrip(const std::vector<std::string_view>& argv, std::string& error);
    RedisReplyPtr Send(std::string_view op, const std::vector<std::string_view>& keys,
                       const std::vector<std::string_view>& argv, bool isScript, RedisScript script, int caller,
                       std::string& error);
    void Close() noexcept;

    RedisAddress address_;
    mutable std::mutex mutex_;
    redisContext* context_ = nullptr;
    std::vector<std::string> shas_;
    std::string clientId_;
    std::uint64_t sequence_ = 0;
    std::map<std::string, RedisTrips, std::less<>> trips_;
    std::uint64_t reconnects_ = 0;
    std::uint64_t failed_ = 0;
    bool failing_ = false;
    RedisTrips* current_ = nullptr;  // the operation whose round trips are being counted
    std::atomic<std::uint64_t> tripTotal_{0};
};
