// The little a freestanding MSVC-ABI DLL needs without Microsoft's runtime:
// allocation (on a private heap, dropped whole at Close), the marker that the
// code uses floating point, and the target of a call to a pure virtual slot.
#include "Bridge.h"
#include "Win32.h"

namespace {
void* g_heap = nullptr;
}

bool Bridge::MakeHeap() {
    if (g_heap == nullptr) g_heap = HeapCreate(0, 0, 0);
    return g_heap != nullptr;
}

void Bridge::DropHeap() {
    if (g_heap != nullptr) HeapDestroy(g_heap);
    g_heap = nullptr;
}

// Built without exceptions: a bridge that cannot allocate stops the test at once.
void* operator new(std::size_t bytes) {
    void* block = g_heap != nullptr ? HeapAlloc(g_heap, 0, bytes != 0 ? bytes : 1) : nullptr;
    if (block == nullptr) __builtin_trap();
    return block;
}

void operator delete(void* block) noexcept {
    if (block != nullptr && g_heap != nullptr) HeapFree(g_heap, 0, block);
}

void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

extern "C" {
int _fltused = 0;
int _purecall() { __builtin_trap(); }
}
