# JSON for Modern C++ for the Windows cross-build: the headers of Debian's
# nlohmann-json3-dev, reached through a folder that holds only them (adding
# /usr/include itself would put the build machine's C library before MinGW's).
if(NOT TARGET nlohmann_json::nlohmann_json)
  set(VOGAME_JSON_INCLUDE_DIR /usr/include/nlohmann CACHE PATH "JSON for Modern C++ headers (Debian package nlohmann-json3-dev)")
  if(NOT EXISTS ${VOGAME_JSON_INCLUDE_DIR}/json.hpp)
    message(FATAL_ERROR "No nlohmann/json.hpp in ${VOGAME_JSON_INCLUDE_DIR}; run scripts/setup-windows.sh")
  endif()
  set(vogame_json_root ${CMAKE_BINARY_DIR}/windows-json)
  file(MAKE_DIRECTORY ${vogame_json_root})
  file(CREATE_LINK ${VOGAME_JSON_INCLUDE_DIR} ${vogame_json_root}/nlohmann SYMBOLIC)
  add_library(vogame_nlohmann_json INTERFACE)
  target_include_directories(vogame_nlohmann_json SYSTEM INTERFACE ${vogame_json_root})
  add_library(nlohmann_json::nlohmann_json ALIAS vogame_nlohmann_json)
endif()
set(nlohmann_json_FOUND TRUE)
