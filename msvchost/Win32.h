#pragma once
// The few kernel32 functions the MSVC-ABI host calls, declared here since it is
// built without Microsoft's SDK; kernel32.def names them for its import library.
#include <cstddef>

extern "C" {
__declspec(dllimport) void* LoadLibraryW(const char16_t* path);
__declspec(dllimport) void* GetProcAddress(void* module, const char* name);
__declspec(dllimport) int FreeLibrary(void* module);
__declspec(dllimport) void* HeapCreate(unsigned int options, std::size_t initialSize, std::size_t maximumSize);
__declspec(dllimport) int HeapDestroy(void* heap);
__declspec(dllimport) void* HeapAlloc(void* heap, unsigned int flags, std::size_t bytes);
__declspec(dllimport) int HeapFree(void* heap, unsigned int flags, void* block);
}
