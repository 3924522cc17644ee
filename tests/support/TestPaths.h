#pragma once
// Where the built plug-in and the source tree are, for tests that load the real library.
inline constexpr const char* kLibraryPath = VOGAME_LIBRARY_PATH;
// The plug-in whose own allocations the tests count and fail (AllocationControl.h):
// the plug-in itself on POSIX, its test build VoGameLogicProgramHeap.dll on Windows.
inline constexpr const char* kCountedLibraryPath = VOGAME_COUNTED_LIBRARY_PATH;
inline constexpr const char* kSourceDir = VOGAME_SOURCE_DIR;
