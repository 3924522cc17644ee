#include "RedisConnection.h"

#include <hiredis.h>

#include <chrono>
#include <cstring>
#include <random>
#include <thread>

namespace {
// A call waits this long for its reply before the connection counts as lost.
constexpr int kReplyTimeoutMs = 10'000;
constexpr int kConnectTimeoutMs = 2'000;

std::string ContextError(const redisContext* c) {
    if (c == nullptr) return "out of memory for the connection";
    return c->errstr[0] != '\0' ? std::string(c->errstr) : "connection lost";
}

timeval Tv(int ms) { return timeval{ms / 1000, (ms % 1000) * 1000}; }
}  // namespace

void RedisReplyFree::operator()(redisReply* reply) const noexcept {
    if (reply != nullptr) freeReplyObject(reply);
}

RedisConnection::RedisConnection(RedisAddress address) : address_(std::move(address)) {
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

bool RedisConnection::ConnectOnce(std::string& error) {
    Close();
    const timeval connectTimeout = Tv(kConnectTimeoutMs);
    context_ = redisConnectWithTimeout(address_.host.c_str(), address_.port, connectTimeout);
    if (context_ == nullptr || context_->err != 0) {
        error = ContextError(context_);
        Close();
        return false;
    }
    redisSetTimeout(context_, Tv(kReplyTimeoutMs));
    if (!address_.password.empty()) {
        std::vector<std::string_view> auth = {"AUTH"};
        if (!address_.user.empty()) auth.push_back(address_.user);
        auth.push_back(address_.password);
        RedisReplyPtr reply = RoundTrip(auth, error);
        if (!reply) {
            Close();
            return false;
        }
        if (reply->type == REDIS_REPLY_ERROR) {
            // The server's words ("WRONGPASS invalid username-password pair"), never the password.
            error = "the password was refused: " + std::string(reply->str, reply->len);
            Close();
            return false;
        }
    }
    return true;
}

bool RedisConnection::LoadScripts(std::string& error) {
    shas_.assign(static_cast<std::size_t>(RedisScript::kCount), std::string());
    for (std::size_t i = 0; i < shas_.size(); ++i) {
        RedisReplyPtr reply =
            RoundTrip({"SCRIPT", "LOAD", RedisScriptSource(static_cast<RedisScript>(i))}, error);
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
    const std::lock_guard<std::mutex> lock(mutex_);
    std::string cause;
    if (!ConnectOnce(cause) || !LoadScripts(cause)) {
        error = "cannot use the Redis store at " + address_.Describe() + ": " + cause;
        Close();
        return false;
    }
    return true;
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
    const std::string keyCount = std::to_string(keys.size()), callerText = std::to_string(caller);
    if (isScript) {
        const bool writes = RedisScriptWrites(script);
        if (writes) sequence = std::to_string(++sequence_);
        argv = {"EVALSHA", "", keyCount};
        argv.insert(argv.end(), keys.begin(), keys.end());
        argv.insert(argv.end(), {address_.prefix, writes ? std::string_view(clientId_) : std::string_view(), sequence,
                                 callerText});
        argv.insert(argv.end(), args.begin(), args.end());
    } else {
        argv = args;
    }
    if (failing_) {
        error = "connection to " + address_.Describe() + " failed (a failure made by a test)";
        ++failed_;
        return nullptr;
    }
    std::string cause;
    bool reloaded = false;
    int pauseMs = kFirstPauseMs;
    for (int attempt = 0;;) {
        if (context_ == nullptr) {
            if (attempt == kReconnectAttempts) break;
            ++attempt;
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
            pauseMs *= 2;
            ++reconnects_;
            std::string why;
            if (!ConnectOnce(why)) {
                cause = why;
                continue;
            }
        }
        if (isScript) argv[1] = shas_[static_cast<std::size_t>(script)];
        RedisReplyPtr reply = RoundTrip(argv, cause);
        if (!reply) continue;  // lost: reconnect and send the same call again
        if (reply->type == REDIS_REPLY_ERROR) {
            const std::string_view text(reply->str, reply->len);
            if (isScript && !reloaded && text.substr(0, 8) == "NOSCRIPT") {
                // The server lost its scripts (a restart): load this one again and resend.
                reloaded = true;
                RedisReplyPtr loaded = RoundTrip({"SCRIPT", "LOAD", RedisScriptSource(script)}, cause);
                if (loaded && loaded->type == REDIS_REPLY_STRING)
                    shas_[static_cast<std::size_t>(script)].assign(loaded->str, loaded->len);
                continue;
            }
            error = std::string(text);
            ++failed_;
            return nullptr;
        }
        return reply;
    }
    error = "connection to " + address_.Describe() + " lost (" + cause + ") and " +
            std::to_string(kReconnectAttempts) + " reconnects failed";
    ++failed_;
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
