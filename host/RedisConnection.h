#pragma once
// One client connection to the Redis server of a world, shared by the threads
// of this process (one round trip at a time). It authenticates, names itself
// (CLIENT SETNAME), loads the store's scripts (SCRIPT LOAD once, EVALSHA after;
// a server that lost them, after a restart, gets them again on NOSCRIPT), and
// survives a lost connection: reconnects with growing pauses for at most
// kOutageBudgetMs, after which the call fails with the cause and a circuit
// breaker makes later calls fail at once until a probe finds the server again.
// Writes carry this connection's client id and a sequence number, so a write
// sent again after a reconnect is not applied twice (see RedisScripts.h).
//
// All keys of a world share one hash slot, so on a Redis Cluster the
// connection talks to the one master that owns it: it follows MOVED there and
// answers ASK (a slot being migrated) on a side connection.
//
// The world's epoch key, written when a connection first finds the world,
// tells a reconnect whether the server still holds the world: a server
// restarted without its data has none (or another one). Then the call is not
// sent again (a positional write could land on another row of a list made
// anew) and the loss is told once through the notice sink.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "RedisAddress.h"
#include "RedisCircuitBreaker.h"
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

    // The name the connection gives itself (CLIENT SETNAME; no spaces), set before Open.
    void SetClientName(std::string name) { clientName_ = std::move(name); }
    // Where the breaker's opening and closing and a lost world are told (one line each).
    void SetNoticeSink(std::function<void(const std::string&)> sink) { notice_ = std::move(sink); }

    // Connects, authenticates, loads the scripts and reads (or writes) the
    // world's epoch. False with one line naming the address (never the
    // password) and the cause.
    bool Open(std::string& error);
    // After the world's keys were removed: a new epoch, so this connection's next reconnect finds it.
    bool RenewEpoch(std::string& error);
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
    // Times a reconnect found the world gone from the server, and MOVED/ASK redirects followed.
    std::uint64_t WorldsLost() const;
    std::uint64_t Redirects() const;
    bool CircuitOpen() const;
    // The round trips of every operation so far (the sum of TripsByOperation), without a lock.
    std::uint64_t RoundTrips() const noexcept { return tripTotal_.load(std::memory_order_relaxed); }

    // The first pause of the reconnect back-off (the pause doubles), the time a
    // call spends on an outage before it fails, and the breaker's probe interval.
    static constexpr int kFirstPauseMs = 20;
    static constexpr int kOutageBudgetMs = 2'000;
    static constexpr int kProbeIntervalMs = 500;

private:
    enum class Connected { Yes, No, WorldLost };
    redisContext* ConnectTo(const std::string& host, int port, int timeoutMs, std::string& error);
    Connected Reconnect(int timeoutMs, std::string& error);
    bool ReadEpoch(bool adopt, std::string& error);
    RedisReplyPtr Asked(const std::string& node, const std::vector<std::string_view>& argv, bool isScript,
                        RedisScript script, std::string& error);
    void Notice(const std::string& line) const;
    void Closed();  // the server answered: closes the breaker, told once
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
    std::string clientName_;
    std::function<void(const std::string&)> notice_;
    std::string nodeHost_;  // the node the connection talks to (a cluster's master of the world's slot)
    int nodePort_ = 0;
    std::string epoch_;  // empty until Open read it
    RedisCircuitBreaker breaker_{std::chrono::milliseconds(kProbeIntervalMs)};
    std::uint64_t worldsLost_ = 0;
    std::uint64_t redirects_ = 0;
    std::uint64_t sequence_ = 0;
    std::map<std::string, RedisTrips, std::less<>> trips_;
    std::uint64_t reconnects_ = 0;
    std::uint64_t failed_ = 0;
    bool failing_ = false;
    RedisTrips* current_ = nullptr;  // the operation whose round trips are being counted
    std::atomic<std::uint64_t> tripTotal_{0};
};
