// Linked into VoGameLogicProgramHeap.dll only, a test build of the plug-in for
// Windows: its operator new and delete are those of the program that loads it
// (AllocationControl, exported by the test programs), so the tests count and
// fail the DLL's own allocations as they do the plug-in's on POSIX. A program
// without them (the simulator) lends malloc and free.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>
#include <new>

#include "AllocationControl.h"

namespace {

struct ProgramHeap {
    AllocationControl::ProgramAllocate allocate;
    AllocationControl::ProgramRelease release;
};

const ProgramHeap& Heap() {
    static const ProgramHeap heap = [] {
        HMODULE program = GetModuleHandleW(nullptr);
        const auto allocate = reinterpret_cast<AllocationControl::ProgramAllocate>(
            reinterpret_cast<void*>(GetProcAddress(program, AllocationControl::kProgramAllocateExport)));
        const auto release = reinterpret_cast<AllocationControl::ProgramRelease>(
            reinterpret_cast<void*>(GetProcAddress(program, AllocationControl::kProgramReleaseExport)));
        if (allocate != nullptr && release != nullptr) return ProgramHeap{allocate, release};
        return ProgramHeap{[](std::size_t size) noexcept { return std::malloc(size != 0 ? size : 1); },
                           [](void* block) noexcept { std::free(block); }};
    }();
    return heap;
}

void* Allocate(std::size_t size) {
    void* block = Heap().allocate(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Heap().allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Heap().allocate(size); }
void operator delete(void* block) noexcept { Heap().release(block); }
void operator delete[](void* block) noexcept { Heap().release(block); }
void operator delete(void* block, std::size_t) noexcept { Heap().release(block); }
void operator delete[](void* block, std::size_t) noexcept { Heap().release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Heap().release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Heap().release(block); }
