# GoogleTest and GoogleMock for the Windows cross-build, compiled from the
# sources Debian's googletest package ships, under the names the tests use.
if(NOT TARGET GTest::gmock)
  set(VOGAME_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")
  if(NOT EXISTS ${VOGAME_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${VOGAME_GTEST_SOURCE_DIR}; run scripts/setup-windows.sh")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${VOGAME_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(name gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${name})  # newer sources name them so themselves
      add_library(GTest::${name} ALIAS ${name})
    endif()
  endforeach()
endif()
set(GTest_FOUND TRUE)
