# Cross-builds Windows x64 programs with MinGW-w64 (the POSIX-threads flavour,
# so std::thread and std::mutex work), and runs them under Wine when CMake or
# CTest needs to execute one (test discovery, the tests themselves).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VOGAME_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VOGAME_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VOGAME_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VOGAME_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VOGAME_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime, libgcc and winpthreads go inside every program and the DLL,
# so they run on a bare Windows without MinGW's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Debian installs the 64-bit loader outside PATH when only wine64 is present.
find_program(VOGAME_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VOGAME_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VOGAME_WINE})
endif()

# Wine shows the build machine's "/" as drive Z:, so absolute build paths that
# are compiled into the programs (the plug-in, the source tree) get that drive
# and keep working when a test changes to a folder on another drive.
set(VOGAME_RUN_PATH_PREFIX "Z:" CACHE STRING "Prefix of build paths as the programs see them")
