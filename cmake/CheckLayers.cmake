cmake_policy(SET CMP0057 NEW)
# Fails when an #include runs against the layers of the source tree:
#   Utility/ sees module/ only through the boundary headers (BOUNDARY_HEADERS);
#   module/ does not see top/ (but for the creator list, which names the modules);
#   no library folder (Utility/, module/, top/) sees host/, sim/ or tests/;
#   host/ does not see top/, sim/ or tests/; sim/ does not see tests/;
#   hostcheck/ (the host check plug-in) sees neither the modules (top/) nor the
#   reference host: it knows the host only through the boundary;
#   msvchost/ (the MSVC-ABI host) sees nothing of the project but the boundary headers;
#   no test, benchmark or fuzz target includes a .cpp file.
# Run with -DSOURCE_DIR=... -DBOUNDARY_HEADERS=module/IKernel.h;...
set(problems "")

# The folder (first path component, relative to SOURCE_DIR) that an include in
# file names, or the empty text for system and same-folder headers.
function(resolve_include file include out)
  get_filename_component(dir ${file} DIRECTORY)
  get_filename_component(near ${SOURCE_DIR}/${dir}/${include} ABSOLUTE)
  get_filename_component(root ${SOURCE_DIR}/${include} ABSOLUTE)
  if(EXISTS ${near})
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${near})
  elseif(EXISTS ${root})
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${root})
  else()
    set(rel "")
  endif()
  set(${out} "${rel}" PARENT_SCOPE)
endfunction()

function(check_folder folder)
  cmake_parse_arguments(ARG "ONLY_BOUNDARY" "" "DENY;ONLY_FROM_MODULE;EXCEPT" ${ARGN})
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(file ${files})
    if(file IN_LIST ARG_EXCEPT)
      continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" include "${line}")
      resolve_include(${file} ${include} target)
      if(target STREQUAL "")
        continue()
      endif()
      string(REGEX MATCH "^[^/]+" top "${target}")
      if(top IN_LIST ARG_DENY)
        list(APPEND problems "${file} includes ${target}")
      elseif(ARG_ONLY_FROM_MODULE AND top STREQUAL "module" AND NOT target IN_LIST BOUNDARY_HEADERS)
        list(APPEND problems "${file} includes ${target}, which is not a boundary header")
      elseif(ARG_ONLY_BOUNDARY AND NOT top STREQUAL folder AND NOT target IN_LIST BOUNDARY_HEADERS)
        list(APPEND problems "${file} includes ${target}, which is not a boundary header")
      endif()
      if(target MATCHES "\\.cpp$" AND folder MATCHES "^(tests|bench|fuzz)$")
        list(APPEND problems "${file} compiles in ${target}")
      endif()
    endforeach()
  endforeach()
  set(problems "${problems}" PARENT_SCOPE)
endfunction()

check_folder(Utility DENY top host sim tests bench fuzz ONLY_FROM_MODULE ON)
check_folder(module DENY top host sim tests bench fuzz EXCEPT module/ModuleCreators.cpp)
check_folder(top DENY host sim tests bench fuzz)
check_folder(host DENY top sim tests bench fuzz)
check_folder(hostcheck DENY top host sim tests bench fuzz)
check_folder(sim DENY tests bench fuzz)
check_folder(msvchost ONLY_BOUNDARY)
check_folder(tests)
check_folder(bench)
check_folder(fuzz)

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "includes against the layers:\n  ${text}")
endif()
message(STATUS "includes run one way")
