#pragma once
// Where the built plug-in and the source tree are, for tests that load the real library.
inline constexpr const char* kLibraryPath = VOGAME_LIBRARY_PATH;
inline constexpr const char* kSourceDir = VOGAME_SOURCE_DIR;
