# The version of the Debian package the headers come from.
include(/usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake OPTIONAL RESULT_VARIABLE vogame_json_version)
if(NOT vogame_json_version)
  set(PACKAGE_VERSION "0")
  set(PACKAGE_VERSION_UNSUITABLE TRUE)
endif()
