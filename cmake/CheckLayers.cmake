cmake_policy(SET CMP0057 NEW)
# Fails when an #include runs against the layers of the source tree. Each
# folder's allowed includes are written down here, once; a folder may always
# include its own files. From the bottom up:
#
#   module/    the boundary a host compiles against: includes nothing else
#   Utility/   the support library
#   record/    the public record machinery (handle, list lock, image, views)
#   top/       the leaderboards and the plug-in's creator list
#   host/      the reference host; of the leaderboards it sees only the ranked
#              lists' descriptions, which its list invariants check
#   hostcheck/ the host check plug-in: it knows a host only through the boundary
#   msvchost/  the MSVC-ABI host: the boundary only
#   sim/       the simulator, over the host
#   tests/, bench/, fuzz/  may include any library folder, never a .cpp file
#
# The support library's general-purpose part (GENERAL_HEADERS: code no module
# calls, built into a target of its own) is out of bounds for record/ and top/,
# so the plug-in never needs it. Run with -DSOURCE_DIR=... -DGENERAL_HEADERS=...
set(allowed_module "")
set(allowed_Utility module)
set(allowed_record module Utility)
set(allowed_top module Utility record)
set(allowed_host module Utility msvchost top/RankedLists.h)
set(allowed_hostcheck module Utility)
set(allowed_msvchost module)
set(allowed_sim module Utility record top host)
set(allowed_tests module Utility record top host hostcheck msvchost sim tests)
set(allowed_bench module Utility record top host sim tests)
set(allowed_fuzz module Utility host)
set(without_general record top)

set(problems "")

# The file (relative to SOURCE_DIR) that an include in file names, or the empty
# text for system headers.
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

foreach(folder module Utility record top host hostcheck msvchost sim tests bench fuzz)
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(file ${files})
    file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" include "${line}")
      resolve_include(${file} ${include} target)
      if(target STREQUAL "")
        continue()
      endif()
      string(REGEX MATCH "^[^/]+" top "${target}")
      if(NOT top STREQUAL folder AND NOT top IN_LIST allowed_${folder} AND NOT target IN_LIST allowed_${folder})
        list(APPEND problems "${file} includes ${target}: ${folder}/ may include only its own files and ${allowed_${folder}}")
      elseif(folder IN_LIST without_general AND target IN_LIST GENERAL_HEADERS)
        list(APPEND problems "${file} includes ${target}, general-purpose code the plug-in does not link")
      endif()
      if(target MATCHES "\\.cpp$")
        list(APPEND problems "${file} compiles in ${target}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "includes against the layers:\n  ${text}")
endif()
message(STATUS "includes run one way")
