#pragma once
// Replacement global operator new/delete for the test and benchmark programs
// (the vogame_allocation_control library): counts every allocation and can make
// the k-th allocation from now fail, to prove that code survives std::bad_alloc
// at every point. On POSIX the plug-in binds to these too, as the programs
// export their symbols. A Windows DLL with its own static runtime keeps its own
// operator new; there the plug-in's test build VoGameLogicProgramHeap.dll
// (ProgramHeapPlugin.cpp) allocates through the two functions below instead,
// which the test programs export by name. kCountedLibraryPath (TestPaths.h)
// names the plug-in whose allocations are seen here on each system.
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace AllocationControl {

// The program's allocation as a plug-in reaches it by name: null on failure.
using ProgramAllocate = void* (*)(std::size_t size) noexcept;
using ProgramRelease = void (*)(void* block) noexcept;
inline constexpr const char* kProgramAllocateExport = "vogame_program_allocate";
inline constexpr const char* kProgramReleaseExport = "vogame_program_release";

// Allocations that succeeded since the program started (every new form).
std::uint64_t Count() noexcept;
// Deallocations of non-null pointers since the program started.
std::uint64_t FreeCount() noexcept;

// Make the k-th allocation from now fail once (k = 1: the very next one).
// Throwing forms throw std::bad_alloc, nothrow forms return null. k = 0 disarms.
void FailAfter(std::uint64_t k) noexcept;
void Disarm() noexcept;
// Whether the armed failure has happened since the last FailAfter.
bool Triggered() noexcept;

// Make every single allocation of more than bytes fail (0: no limit), so a test
// sees an oversized allocation as std::bad_alloc instead of paging for minutes.
void RefuseLargerThan(std::size_t bytes) noexcept;

// Remember the pointers given to operator delete (up to a few thousand) until
// StopRecordingFrees, which returns them in order.
void StartRecordingFrees() noexcept;
std::vector<const void*> StopRecordingFrees();

}  // namespace AllocationControl

// Arms a failure at the k-th allocation from construction; disarms on scope exit.
class ScopedAllocationFailure {
public:
    explicit ScopedAllocationFailure(std::uint64_t k) noexcept { AllocationControl::FailAfter(k); }
    ~ScopedAllocationFailure() { AllocationControl::Disarm(); }
    ScopedAllocationFailure(const ScopedAllocationFailure&) = delete;
    ScopedAllocationFailure& operator=(const ScopedAllocationFailure&) = delete;

    bool Triggered() const noexcept { return AllocationControl::Triggered(); }
};

// Refuses allocations larger than bytes while it lives.
class ScopedSizeLimit {
public:
    explicit ScopedSizeLimit(std::size_t bytes) noexcept { AllocationControl::RefuseLargerThan(bytes); }
    ~ScopedSizeLimit() { AllocationControl::RefuseLargerThan(0); }
    ScopedSizeLimit(const ScopedSizeLimit&) = delete;
    ScopedSizeLimit& operator=(const ScopedSizeLimit&) = delete;
};

// Runs the action with the k-th allocation failing; whether that failure happened.
template <class Action>
bool FailingAt(std::uint64_t k, Action action) {
    ScopedAllocationFailure failure(k);
    try {
        action();
    } catch (const std::bad_alloc&) {}
    return failure.Triggered();
}

// Counts the allocations made while it lives.
class AllocationCounter {
public:
    AllocationCounter() noexcept : start_(AllocationControl::Count()) {}
    std::uint64_t Allocations() const noexcept { return AllocationControl::Count() - start_; }

private:
    std::uint64_t start_;
};
