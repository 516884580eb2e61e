# Fails when a source file of the workspace includes a file of a room that depends on it.
# archive/, imagetools/ and albums/ may include workspace/; workspace/ reaches their windows only
# through the window-opener registry. All four share one static library, so the linker would not
# notice a cycle: this check does.
#   cmake -DROOT=<source tree> -P check_room_includes.cmake
if(NOT ROOT)
  message(FATAL_ERROR "ROOT is not set")
endif()
file(GLOB_RECURSE sources ${ROOT}/workspace/*.h ${ROOT}/workspace/*.cpp)
set(found "")
foreach(f ${sources})
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](archive|imagetools|albums)/")
  foreach(l ${lines})
    file(RELATIVE_PATH rel ${ROOT} ${f})
    string(STRIP "${l}" l)
    list(APPEND found "${rel}: ${l}")
  endforeach()
endforeach()
if(found)
  list(JOIN found "\n  " text)
  message(FATAL_ERROR "workspace/ must not include archive/, imagetools/ or albums/:\n  ${text}")
endif()
