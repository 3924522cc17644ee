#pragma once
// The controls that tests, benchmarks and the simulator use on a server's
// kernel, kept apart from the kernel's operations: switches of stricter or
// failing host behaviour, halting as a crash would, and counters of the work
// done. None of them is anything a host offers the library. HostKernel
// implements them; HostKernel::Controls() names them at a call site.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "PubDataGate.h"

class KernelControls {
public:
    // --- strict text ---
    // When on, text handed to the library is overwritten when its next call on
    // this kernel ends, and poisoned under AddressSanitizer (see KernelText). On
    // by default: only figures of speed and memory turn it off.
    virtual void SetStrictText(bool strict) noexcept = 0;
    virtual bool StrictText() const noexcept = 0;
    // A fault for tests of the host check: text is overwritten as the call that
    // handed it out ends (KernelText::SetReusedEarly).
    virtual void SetTextReusedEarly(bool early) noexcept = 0;

    // --- halting, as a crash would stop the server (see PubDataGate) ---
    virtual void ArmHalt(HaltTrigger trigger) = 0;
    virtual void Halt() = 0;                   // at once
    virtual bool Paused() const noexcept = 0;  // a pausing trigger fired: the server waits inside that call
    virtual void Unpause() = 0;
    virtual bool Halted() const noexcept = 0;
    virtual void Resume() = 0;                          // running again (a restart); the trigger is disarmed
    virtual const char* HaltedAt() const noexcept = 0;  // what the halt interrupted; empty when running

    // --- counters ---
    virtual std::uint64_t KernelCalls() const noexcept = 0;  // IKernel operations served so far
    // Public-data calls that reached the store, in all and by operation (those with calls, in slot order).
    virtual std::uint64_t PubDataCalls() const noexcept = 0;
    virtual std::vector<std::pair<std::string_view, std::uint64_t>> PubDataCallsByOperation() const = 0;
    // This server's lock takes, failed tries and waits.
    virtual const PubDataGate::LockTries& LockCounts() const noexcept = 0;
    // With a counter of the program's allocations set (null: none), the
    // allocations made inside kernel calls are summed, so that a benchmark can
    // tell the library's own from the host's. Library code that a kernel call
    // runs (a watch fired by SetInt) counts as the host's.
    virtual void CountAllocationsWith(std::uint64_t (*counter)() noexcept) noexcept = 0;
    virtual std::uint64_t AllocationsInCalls() const noexcept = 0;

    // --- output kept and shown ---
    // Keeps only the newest limit messages per inbox (0, the default: all), so
    // long simulations do not hoard every reply.
    virtual void SetInboxLimit(std::size_t limit) noexcept = 0;
    virtual void SetEcho(bool echo) noexcept = 0;  // the library's log and trace lines on stderr too

protected:
    ~KernelControls() = default;
};
