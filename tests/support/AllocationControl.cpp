#include "AllocationControl.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Named by the test link line so that this object file is taken out of the
// support archive into every test program, whatever the program refers to.
extern "C" {
extern const int vogame_allocation_control;
const int vogame_allocation_control = 1;
}

namespace {

std::atomic<std::uint64_t> g_allocations{0};
std::atomic<std::uint64_t> g_frees{0};
std::atomic<std::uint64_t> g_countdown{0};  // 0: disarmed
std::atomic<bool> g_triggered{false};
std::atomic<std::size_t> g_sizeLimit{0};  // 0: none

constexpr std::size_t kMaxRecordedFrees = 4096;
std::atomic<bool> g_recording{false};
std::atomic<std::size_t> g_recordedCount{0};
const void* g_recorded[kMaxRecordedFrees];

constexpr std::size_t kPlain = 0;  // the plain forms: malloc's own alignment

// True when this allocation is the one armed to fail.
bool ShouldFail() noexcept {
    std::uint64_t left = g_countdown.load(std::memory_order_relaxed);
    while (left != 0 && !g_countdown.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {}
    if (left != 1) return false;
    g_triggered.store(true, std::memory_order_relaxed);
    return true;
}

// Over-aligned blocks: Windows has no posix_memalign, and its aligned blocks go
// back through their own free.
void* AlignedBlock(std::size_t size, std::size_t alignment) noexcept {
#if defined(_WIN32)
    return _aligned_malloc(size, alignment);
#else
    void* block = nullptr;
    if (alignment < sizeof(void*)) alignment = sizeof(void*);
    return posix_memalign(&block, alignment, size) == 0 ? block : nullptr;
#endif
}

void FreeBlock(void* block, bool aligned) noexcept {
#if defined(_WIN32)
    if (aligned) {
        _aligned_free(block);
        return;
    }
#endif
    (void)aligned;
    std::free(block);
}

void* Allocate(std::size_t size, std::size_t alignment) {
    if (ShouldFail()) throw std::bad_alloc();
    const std::size_t limit = g_sizeLimit.load(std::memory_order_relaxed);
    if (limit != 0 && size > limit) throw std::bad_alloc();
    if (size == 0) size = 1;
    for (;;) {
        void* block = alignment == kPlain ? std::malloc(size) : AlignedBlock(size, alignment);
        if (block != nullptr) {
            g_allocations.fetch_add(1, std::memory_order_relaxed);
            return block;
        }
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void* AllocateNoThrow(std::size_t size, std::size_t alignment) noexcept try {
    return Allocate(size, alignment);
} catch (...) {
    return nullptr;
}

void Release(void* block, bool aligned = false) noexcept {
    if (block == nullptr) return;
    g_frees.fetch_add(1, std::memory_order_relaxed);
    if (g_recording.load(std::memory_order_relaxed)) {
        const std::size_t slot = g_recordedCount.fetch_add(1, std::memory_order_relaxed);
        if (slot < kMaxRecordedFrees) g_recorded[slot] = block;
    }
    FreeBlock(block, aligned);
}

std::size_t Bytes(std::align_val_t alignment) noexcept { return static_cast<std::size_t>(alignment); }

}  // namespace

namespace AllocationControl {

std::uint64_t Count() noexcept { return g_allocations.load(std::memory_order_relaxed); }

std::uint64_t FreeCount() noexcept { return g_frees.load(std::memory_order_relaxed); }

void FailAfter(std::uint64_t k) noexcept {
    g_triggered.store(false, std::memory_order_relaxed);
    g_countdown.store(k, std::memory_order_relaxed);
}

void Disarm() noexcept { g_countdown.store(0, std::memory_order_relaxed); }

bool Triggered() noexcept { return g_triggered.load(std::memory_order_relaxed); }

void RefuseLargerThan(std::size_t bytes) noexcept { g_sizeLimit.store(bytes, std::memory_order_relaxed); }

void StartRecordingFrees() noexcept {
    g_recordedCount.store(0, std::memory_order_relaxed);
    g_recording.store(true, std::memory_order_relaxed);
}

std::vector<const void*> StopRecordingFrees() {
    g_recording.store(false, std::memory_order_relaxed);
    std::size_t count = g_recordedCount.load(std::memory_order_relaxed);
    if (count > kMaxRecordedFrees) count = kMaxRecordedFrees;
    return std::vector<const void*>(g_recorded, g_recorded + count);
}

}  // namespace AllocationControl

#if defined(_WIN32)
// For the plug-in's test build (ProgramHeapPlugin.cpp), found by name.
extern "C" {
__declspec(dllexport) void* vogame_program_allocate(std::size_t size) noexcept { return AllocateNoThrow(size, kPlain); }
__declspec(dllexport) void vogame_program_release(void* block) noexcept { Release(block); }
}
#endif

// ---- the replaced global allocation functions ----

void* operator new(std::size_t size) { return Allocate(size, kPlain); }
void* operator new[](std::size_t size) { return Allocate(size, kPlain); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size, kPlain); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size, kPlain); }
void* operator new(std::size_t size, std::align_val_t a) { return Allocate(size, Bytes(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return Allocate(size, Bytes(a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size, Bytes(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size, Bytes(a));
}

void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete(void* block, std::align_val_t) noexcept { Release(block, true); }
void operator delete[](void* block, std::align_val_t) noexcept { Release(block, true); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { Release(block, true); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { Release(block, true); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { Release(block, true); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { Release(block, true); }
