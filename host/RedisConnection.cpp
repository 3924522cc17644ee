#include "RedisConnection.h"

#include <hiredis.h>

#include <fcntl.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

namespace {
// A call waits this long for its reply before the connection counts as lost
// (a stopped or hung server); the longest script, a full list's rewrite,
// takes milliseconds. A probe of a server thought down waits less.
constexpr int kReplyTimeoutMs = 2'000;
constexpr int kConnectTimeoutMs = 2'000;
constexpr int kProbeTimeoutMs = 300;
constexpr int kMaxRedirects = 5;
using Clock = std::chrono::steady_clock;

// "MOVED 3999 127.0.0.1:6381" / "ASK ...": the node, or empty.
std::string_view RedirectNode(std::string_view text, std::string_view kind) {
    if (text.substr(0, kind.size() + 1) != std::string(kind) + " ") return {};
    const std::size_t space = text.find(' ', kind.size() + 1);
    return space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
}

bool SplitNode(std::string_view node, std::string& host, int& port) {
    const std::size_t colon = node.rfind(':');
    if (colon == std::string_view::npos) return false;
    const auto [end, ec] = std::from_chars(node.data() + colon + 1, node.data() + node.size(), port);
    if (ec != std::errc() || end != node.data() + node.size()) return false;
    host = std::string(node.substr(0, colon));
    return true;
}

std::string ContextError(const redisContext* c) {
    if (c == nullptr) return "out of memory for the connection";
    return c->errstr[0] != '\0' ? std::string(c->errstr) : "connection lost";
}

timeval Tv(int ms) { return timeval{ms / 1000, (ms % 1000) * 1000}; }
}  // namespace

void RedisReplyFree::operator()(redisReply* reply) const noexcept {
    if (reply != nullptr) freeReplyObject(reply);
}

RedisConnection::RedisConnection(RedisAddress address)
    : address_(std::move(address)), nodeHost_(address_.host), nodePort_(address_.port) {
    std::random_device device;
    std::mt19937_64 rng((static_cast<std::uint64_t>(device()) << 32) ^ device() ^
                        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    char id[32];
    std::snprintf(id, sizeof id, "%016llx", static_cast<unsigned long long>(rng()));
    clientId_ = id;
}

RedisConnection::~RedisConnection() { Close(); }

void RedisConnection::Close() noexcept {
    if (context_ != nullptr) redisFree(context_);
    context_ = nullptr;
}

redisContext* RedisConnection::ConnectTo(const std::string& host, int port, int timeoutMs, std::string& error) {
    redisContext* c = redisConnectWithTimeout(host.c_str(), port, Tv(timeoutMs));
    if (c == nullptr || c->err != 0) {
        error = ContextError(c);
        if (c != nullptr) redisFree(c);
        return nullptr;
    }
    // Child processes (a server started by this one) must not inherit the socket.
    ::fcntl(c->fd, F_SETFD, ::fcntl(c->fd, F_GETFD) | FD_CLOEXEC);
    redisSetTimeout(c, Tv(timeoutMs));  // the handshake waits no longer than the connect
    redisContext* const saved = context_;
    context_ = c;
    struct Restore {
        redisContext*& context;
        redisContext* saved;
        ~Restore() { context = saved; }
    } restore{context_, saved};
    if (!address_.password.empty() || !address_.user.empty()) {
        std::vector<std::string_view> auth = {"AUTH"};
        if (!address_.user.empty()) auth.push_back(address_.user);
        auth.push_back(address_.password);
        RedisReplyPtr reply = RoundTrip(auth, error);
        if (!reply || reply->type == REDIS_REPLY_ERROR) {
            // The server's words ("WRONGPASS invalid username-password pair"), never the password.
            if (reply) error = "the password was refused: " + std::string(reply->str, reply->len);
            if (context_ != nullptr) redisFree(context_);
            return nullptr;
        }
    }
    if (!clientName_.empty()) {
        // An operator's CLIENT LIST shows which world and server each connection serves.
        RedisReplyPtr named = RoundTrip({"CLIENT", "SETNAME", clientName_}, error);
        if (!named) return nullptr;  // RoundTrip freed the context
    }
    redisSetTimeout(c, Tv(kReplyTimeoutMs));
    return c;
}

RedisConnection::Connected RedisConnection::Reconnect(int timeoutMs, std::string& error) {
    Close();
    context_ = ConnectTo(nodeHost_, nodePort_, timeoutMs, error);
    if (context_ == nullptr) return Connected::No;
    if (epoch_.empty()) return Connected::Yes;
    const std::string before = epoch_;
    if (!ReadEpoch(true, error)) {
        Close();
        return Connected::No;
    }
    if (epoch_ == before) return Connected::Yes;
    Closed();
    ++worldsLost_;
    Notice("the Redis store at " + address_.Describe() + " no longer holds world " + address_.prefix +
           " (restarted without its data?): calls in flight are not sent again and the lists are set up anew");
    return Connected::WorldLost;
}

// The world's epoch: written by the first connection that finds none (adopt),
// else read. Follows no redirect: the caller is on the world's node.
bool RedisConnection::ReadEpoch(bool adopt, std::string& error) {
    const std::string key = address_.KeyBase() + ":epoch";
    if (adopt) {
        RedisReplyPtr set = RoundTrip({"SET", key, clientId_ + "-" + std::to_string(sequence_), "NX"}, error);
        if (!set) return false;
    }
    RedisReplyPtr got = RoundTrip({"GET", key}, error);
    if (!got) return false;
    if (got->type == REDIS_REPLY_ERROR) {
        error = std::string(got->str, got->len);
        return false;
    }
    epoch_ = got->type == REDIS_REPLY_STRING ? std::string(got->str, got->len) : std::string();
    return true;
}

bool RedisConnection::LoadScripts(std::string& error) {
    shas_.assign(static_cast<std::size_t>(RedisScript::kCount), std::string());
    for (std::size_t i = 0; i < shas_.size(); ++i) {
        RedisReplyPtr reply = RoundTrip({"SCRIPT", "LOAD", RedisScriptSource(static_cast<RedisScript>(i))}, error);
        if (!reply) return false;
        if (reply->type != REDIS_REPLY_STRING) {
            error = reply->type == REDIS_REPLY_ERROR ? std::string(reply->str, reply->len) : "no script id came back";
            return false;
        }
        shas_[i].assign(reply->str, reply->len);
    }
    return true;
}

bool RedisConnection::Open(std::string& error) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        std::string cause;
        context_ = ConnectTo(nodeHost_, nodePort_, kConnectTimeoutMs, cause);
        if (context_ == nullptr || !LoadScripts(cause)) {
            error = "cannot use the Redis store at " + address_.Describe() + ": " + cause;
            Close();
            return false;
        }
    }
    return RenewEpoch(error);
}

bool RedisConnection::RenewEpoch(std::string& error) {
    // A keyed command first, so that on a cluster the connection moves to the world's node.
    std::string cause;
    RedisReplyPtr here = Command("Open", {"EXISTS", address_.KeyBase() + ":epoch"}, cause);
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!here || !ReadEpoch(true, cause) || epoch_.empty()) {
        error = "cannot use the Redis store at " + address_.Describe() + ": " + cause;
        Close();
        return false;
    }
    return true;
}

void RedisConnection::Closed() {
    const Clock::time_point now = Clock::now();
    const auto downMs = std::chrono::duration_cast<std::chrono::milliseconds>(breaker_.OpenFor(now)).count();
    const std::uint64_t refused = breaker_.Refused();
    if (!breaker_.Answered()) return;
    Notice("the Redis store at " + address_.Describe() + " answers again after " + std::to_string(downMs) + " ms; " +
           std::to_string(refused) + " calls failed at once meanwhile");
}

void RedisConnection::Notice(const std::string& line) const {
    if (notice_) notice_(line);
}

RedisReplyPtr RedisConnection::RoundTrip(const std::vector<std::string_view>& argv, std::string& error) {
    if (context_ == nullptr) {
        error = "not connected";
        return nullptr;
    }
    std::vector<const char*> parts;
    std::vector<std::size_t> lengths;
    parts.reserve(argv.size());
    lengths.reserve(argv.size());
    for (std::string_view a : argv) {
        parts.push_back(a.data());
        lengths.push_back(a.size());
    }
    if (current_ != nullptr) {
        ++current_->trips;
        tripTotal_.fetch_add(1, std::memory_order_relaxed);
    }
    void* raw = redisCommandArgv(context_, static_cast<int>(parts.size()), parts.data(), lengths.data());
    if (raw == nullptr) {
        error = ContextError(context_);
        Close();  // a context that failed once is not used again
        return nullptr;
    }
    return RedisReplyPtr(static_cast<redisReply*>(raw));
}

// The call sent once to the node an ASK names, after ASKING, on a connection of
// its own (the slot is being migrated; the world's node stays the same).
RedisReplyPtr RedisConnection::Asked(const std::string& node, const std::vector<std::string_view>& argv, bool isScript,
                                     RedisScript script, std::string& error) {
    std::string host;
    int port = 0;
    if (!SplitNode(node, host, port)) {
        error = "a redirect to a node without a port: " + node;
        return nullptr;
    }
    redisContext* const main = context_;
    context_ = nullptr;
    struct Restore {
        RedisConnection& self;
        redisContext* main;
        ~Restore() {
            self.Close();
            self.context_ = main;
        }
    } restore{*this, main};
    context_ = ConnectTo(host, port, kConnectTimeoutMs, error);
    if (context_ == nullptr) return nullptr;
    for (int tries = 0; tries < 2; ++tries) {
        RedisReplyPtr asking = RoundTrip({"ASKING"}, error);
        if (!asking) return nullptr;
        RedisReplyPtr reply = RoundTrip(argv, error);
        if (!reply) return nullptr;
        const bool noScript = isScript && reply->type == REDIS_REPLY_ERROR &&
                              std::string_view(reply->str, reply->len).substr(0, 8) == "NOSCRIPT";
        if (!noScript) return reply;
        if (!RoundTrip({"SCRIPT", "LOAD", RedisScriptSource(script)}, error)) return nullptr;
    }
    error = "the node " + node + " does not keep the store's scripts";
    return nullptr;
}

RedisReplyPtr RedisConnection::Send(std::string_view op, const std::vector<std::string_view>& keys,
                                    const std::vector<std::string_view>& args, bool isScript, RedisScript script,
                                    int caller, std::string& error) {
    const std::lock_guard<std::mutex> lock(mutex_);
    auto it = trips_.find(op);
    if (it == trips_.end()) it = trips_.emplace(std::string(op), RedisTrips{}).first;
    ++it->second.calls;
    current_ = &it->second;
    struct Forget {
        RedisTrips*& current;
        ~Forget() { current = nullptr; }
    } forget{current_};

    std::vector<std::string_view> argv;
    std::string sequence;
    const std::string keyBase = address_.KeyBase(), anchor = keyBase + ":spaces";
    const std::string keyCount = std::to_string(keys.empty() ? 1 : keys.size()), callerText = std::to_string(caller);
    if (isScript) {
        const bool writes = RedisScriptWrites(script);
        if (writes) sequence = std::to_string(++sequence_);
        // Every script declares a key, so a cluster routes it to the world's slot
        // (a script's other keys are in the same slot: they share the hash tag).
        argv = {"EVALSHA", "", keyCount};
        if (keys.empty()) argv.push_back(anchor);
        argv.insert(argv.end(), keys.begin(), keys.end());
        argv.insert(argv.end(),
                    {keyBase, writes ? std::string_view(clientId_) : std::string_view(), sequence, callerText});
        argv.insert(argv.end(), args.begin(), args.end());
    } else {
        argv = args;
    }
    if (failing_) {
        error = "connection to " + address_.Describe() + " failed (a failure made by a test)";
        ++failed_;
        return nullptr;
    }
    const Clock::time_point start = Clock::now();
    if (!breaker_.Allows(start)) {
        error = "the Redis store at " + address_.Describe() + " is unreachable (calls fail at once until it answers)";
        ++failed_;
        return nullptr;
    }
    const bool probe = breaker_.IsOpen();
    const auto spent = [&start] {
        return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    };
    std::string cause;
    bool reloaded = false;
    int pauseMs = kFirstPauseMs, redirects = 0, attempts = 0;
    bool lost = false;
    for (;;) {
        if (context_ == nullptr) {
            // A probe tries once at once; a call tries with growing pauses
            // until the outage budget is spent.
            if (probe ? attempts > 0 : spent() + pauseMs >= kOutageBudgetMs) break;
            if (!probe) {
                std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
                pauseMs *= 2;
            }
            ++attempts;
            ++reconnects_;
            const int timeoutMs = probe ? kProbeTimeoutMs : std::clamp(kOutageBudgetMs - spent(), 100, 1'000);
            const Connected connected = Reconnect(timeoutMs, cause);
            if (connected == Connected::No) continue;
            if (connected == Connected::WorldLost) {
                lost = true;
                cause = "the server no longer holds this world";
                break;
            }
        }
        if (isScript) argv[1] = shas_[static_cast<std::size_t>(script)];
        RedisReplyPtr reply = RoundTrip(argv, cause);
        if (!reply) continue;  // lost: reconnect and send the same call again
        if (reply->type == REDIS_REPLY_ERROR) {
            const std::string_view text(reply->str, reply->len);
            if (isScript && !reloaded && text.substr(0, 8) == "NOSCRIPT") {
                // The server lost its scripts (a restart), or it is another node: load this one and resend.
                reloaded = true;
                RedisReplyPtr loaded = RoundTrip({"SCRIPT", "LOAD", RedisScriptSource(script)}, cause);
                if (loaded && loaded->type == REDIS_REPLY_STRING)
                    shas_[static_cast<std::size_t>(script)].assign(loaded->str, loaded->len);
                continue;
            }
            if (const std::string_view node = RedirectNode(text, "MOVED"); !node.empty() && redirects < kMaxRedirects) {
                // The world's slot lives on another master: talk to that one from now on.
                ++redirects;
                ++redirects_;
                if (SplitNode(node, nodeHost_, nodePort_)) {
                    Close();
                    context_ = ConnectTo(nodeHost_, nodePort_, kConnectTimeoutMs, cause);
                    continue;
                }
            }
            if (const std::string_view node = RedirectNode(text, "ASK"); !node.empty()) {
                ++redirects_;
                reply = Asked(std::string(node), argv, isScript, script, cause);
                if (reply && reply->type != REDIS_REPLY_ERROR) return reply;
                if (reply) cause = std::string(reply->str, reply->len);
                error = cause;
                ++failed_;
                return nullptr;
            }
            if (text.substr(0, 8) == "TRYAGAIN" && spent() + pauseMs < kOutageBudgetMs) {
                // A multi-key call during a slot's migration: the keys are being moved.
                std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
                continue;
            }
            error = std::string(text);
            ++failed_;
            return nullptr;
        }
        Closed();
        return reply;
    }
    ++failed_;
    if (lost) {
        error = "connection to " + address_.Describe() + " came back, but " + cause + ": the call was not sent again";
        Closed();
        return nullptr;
    }
    error = "connection to " + address_.Describe() + " lost (" + cause + ") and " + std::to_string(attempts) +
            " reconnects failed";
    if (breaker_.GaveUp(Clock::now())) {
        // Back to the address given: on a cluster it redirects to the world's node again.
        nodeHost_ = address_.host;
        nodePort_ = address_.port;
        Notice("the Redis store at " + address_.Describe() + " does not answer (" + cause +
               "): its calls fail at once until it answers again (tried every " + std::to_string(kProbeIntervalMs) +
               " ms)");
    }
    return nullptr;
}

RedisReplyPtr RedisConnection::Run(std::string_view op, RedisScript script, const std::vector<std::string_view>& keys,
                                   const std::vector<std::string_view>& args, int caller, std::string& error) {
    return Send(op, keys, args, true, script, caller, error);
}

RedisReplyPtr RedisConnection::Command(std::string_view op, const std::vector<std::string_view>& argv,
                                       std::string& error) {
    return Send(op, {}, argv, false, RedisScript::kCount, 0, error);
}

void RedisConnection::FailForTest(bool fail) {
    const std::lock_guard<std::mutex> lock(mutex_);
    failing_ = fail;
}

void RedisConnection::DropForTest() {
    const std::lock_guard<std::mutex> lock(mutex_);
    Close();
}

std::map<std::string, RedisTrips, std::less<>> RedisConnection::TripsByOperation() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return trips_;
}

std::uint64_t RedisConnection::Reconnects() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return reconnects_;
}

std::uint64_t RedisConnection::FailedCalls() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return failed_;
}

std::uint64_t RedisConnection::WorldsLost() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return worldsLost_;
}

std::uint64_t RedisConnection::Redirects() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return redirects_;
}

bool RedisConnection::CircuitOpen() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return breaker_.IsOpen();
}
