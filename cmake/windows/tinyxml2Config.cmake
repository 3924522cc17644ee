# TinyXML-2 for the Windows cross-build, compiled from Debian's tinyxml2 source
# package, which scripts/setup-windows.sh fetches with apt-get source.
if(NOT TARGET tinyxml2::tinyxml2)
  set(VOGAME_TINYXML2_SOURCE_DIR "${CMAKE_SOURCE_DIR}/build/windows-deps/tinyxml2" CACHE PATH
      "TinyXML-2 sources (Debian source package tinyxml2)")
  if(NOT EXISTS ${VOGAME_TINYXML2_SOURCE_DIR}/tinyxml2.cpp)
    message(FATAL_ERROR "No TinyXML-2 sources in ${VOGAME_TINYXML2_SOURCE_DIR}; run scripts/setup-windows.sh")
  endif()
  add_library(vogame_tinyxml2 STATIC ${VOGAME_TINYXML2_SOURCE_DIR}/tinyxml2.cpp)
  target_include_directories(vogame_tinyxml2 SYSTEM PUBLIC ${VOGAME_TINYXML2_SOURCE_DIR})
  add_library(tinyxml2::tinyxml2 ALIAS vogame_tinyxml2)
endif()
set(tinyxml2_FOUND TRUE)
