#include "PubDataGate.h"

#include <algorithm>
#include <cstdio>

namespace {
constexpr std::string_view kLockSuffix = "PubLock";

constexpr std::string_view kNames[] = {"GetPubDataIndex",
                                       "FindPubData",
                                       "AddPubData",
                                       "FindPubProperty",
                                       "AddPubProperty",
                                       "SetPubPropertySave",
                                       "SetPubPropertyInt",
                                       "CompareSetPubPropertyInt",
                                       "FindPubRecord",
                                       "AddPubRecord",
                                       "RemovePubRecord",
                                       "SetPubRecordSave",
                                       "SetPubRecordColType",
                                       "GetPubRecordColType",
                                       "GetPubRecordMax",
                                       "GetPubRecordRows",
                                       "GetPubRecordCols",
                                       "InsertPubRecordRow",
                                       "AddPubRecordRowValue",
                                       "RemovePubRecordRow",
                                       "ClearPubRecord",
                                       "FindPubRecordWideStr",
                                       "SetPubRecordRowValue",
                                       "SetPubRecordInt",
                                       "SetPubRecordFloat",
                                       "SetPubRecordString",
                                       "SetPubRecordWideStr",
                                       "QueryPubRecordInt",
                                       "QueryPubRecordFloat",
                                       "QueryPubRecordString",
                                       "QueryPubRecordWideStr",
                                       "QueryPubRecordObject",
                                       "FindPubDataRecord",
                                       "GetPubDataRecordRows",
                                       "QueryPubDataRecordInt",
                                       "QueryPubDataRecordWideStr"};
static_assert(std::size(kNames) == static_cast<std::size_t>(PubOp::kCount), "one name per operation");

bool IsLock(std::string_view property) {
    return property.size() >= kLockSuffix.size() &&
           property.substr(property.size() - kLockSuffix.size()) == kLockSuffix;
}
}  // namespace

std::string_view PubOpName(PubOp op) noexcept {
    const auto i = static_cast<std::size_t>(op);
    return i < std::size(kNames) ? kNames[i] : std::string_view("?");
}

bool PubDataGate::Admit(PubOp op) noexcept {
    if (Halted()) return false;
    if (armed_ && Fires(op)) {
        if (!trigger_.pause) {
            Halt(op);
            return false;
        }
        armed_ = false;
        Pause();
    }
    ++byOp_[static_cast<std::size_t>(op)];
    ++total_;
    return true;
}

bool PubDataGate::Fires(PubOp op) noexcept {
    if (trigger_.only != PubOp::kCount && op != trigger_.only) return false;
    ++sinceArmed_;
    if (trigger_.atCall != 0 && sinceArmed_ >= trigger_.atCall) return true;
    if (trigger_.whileLocked && inLock_ != 0) {
        const std::uint64_t call = inLock_++;
        return call >= std::max<std::uint64_t>(trigger_.inLock, 1);
    }
    return false;
}

void PubDataGate::Halt(PubOp op) noexcept {
    const std::string_view name = PubOpName(op);
    std::snprintf(haltedAt_.data(), haltedAt_.size(), "%.*s, public-data call %llu%s%s", static_cast<int>(name.size()),
                  name.data(), static_cast<unsigned long long>(total_ + 1), held_ > 0 ? ", holding " : "",
                  held_ > 0 ? lastHeld_.data() : "");
    armed_ = false;
    halted_.store(true, std::memory_order_release);
}

void PubDataGate::Pause() {
    if (trigger_.pauseWith != nullptr) {
        trigger_.pauseWith();
        return;
    }
    std::unique_lock<std::mutex> lock(pauseMutex_);
    paused_.store(true, std::memory_order_release);
    unpaused_.wait(lock, [this] { return !paused_.load(std::memory_order_acquire); });
}

void PubDataGate::Unpause() {
    {
        const std::lock_guard<std::mutex> lock(pauseMutex_);
        paused_.store(false, std::memory_order_release);
    }
    unpaused_.notify_all();
}

void PubDataGate::Granted(std::string_view property, int expected, int desired) noexcept {
    if (!IsLock(property)) return;
    const bool watched = trigger_.lock.empty() || trigger_.lock == property;
    if (desired == 1 && (expected == 0 || expected == 1)) {  // a take, or a takeover
        ++locks_.takes;
        if (waiting_) ++locks_.waits;
        waiting_ = false;
        ++held_;
        const std::size_t n = std::min(property.size(), lastHeld_.size() - 1);
        std::copy_n(property.data(), n, lastHeld_.data());
        lastHeld_[n] = '\0';
        if (watched) inLock_ = 1;  // the next call is the first inside the lock
    } else if (expected == 1 && desired == 0) {
        held_ = std::max(held_ - 1, 0);
        if (watched) inLock_ = 0;
    }
}

void PubDataGate::Refused(std::string_view property, int expected, int desired) noexcept {
    if (!IsLock(property) || expected != 0 || desired != 1) return;
    ++locks_.failed;
    waiting_ = true;
}

void PubDataGate::Arm(HaltTrigger trigger) {
    trigger_ = std::move(trigger);
    armed_ = trigger_.atCall != 0 || trigger_.whileLocked;
    sinceArmed_ = 0;
    inLock_ = 0;
}

void PubDataGate::HaltNow() noexcept {
    std::snprintf(haltedAt_.data(), haltedAt_.size(), "halted by the host between calls");
    armed_ = false;
    halted_.store(true, std::memory_order_release);
}

void PubDataGate::Resume() noexcept {
    armed_ = false;
    trigger_.atCall = 0;
    trigger_.whileLocked = false;
    held_ = 0;
    inLock_ = 0;
    haltedAt_[0] = '\0';
    halted_.store(false, std::memory_order_release);
}

std::vector<std::pair<std::string_view, std::uint64_t>> PubDataGate::CallsByOperation() const {
    std::vector<std::pair<std::string_view, std::uint64_t>> out;
    for (std::size_t i = 0; i < byOp_.size(); ++i)
        if (byOp_[i] != 0) out.emplace_back(kNames[i], byOp_[i]);
    return out;
}
