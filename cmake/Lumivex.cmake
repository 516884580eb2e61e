# lumivex_room(NAME TYPE DIR... LIBS...) : a room target from every .cpp below its folders.
function(lumivex_room name type)
  cmake_parse_arguments(R "" "" "DIRS;LIBS;PUBLIC_INCLUDE" ${ARGN})
  set(srcs "")
  foreach(d ${R_DIRS})
    file(GLOB_RECURSE s CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${d}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${d}/*.h)
    list(APPEND srcs ${s})
  endforeach()
  add_library(${name} ${type} ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${R_LIBS})
endfunction()

# lumivex_test(NAME SOURCES... LIBS... [SANITIZE])
# SANITIZE marks suites that feed outside input (files, streams, replies) to the code. The sanitizer
# configuration builds and runs every suite; ctest -L sanitize picks the marked ones out of it.
function(lumivex_test name)
  cmake_parse_arguments(T "SANITIZE" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} lumivex_testsupport GTest::gtest GTest::gmock)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  set(labels unit)
  if(T_SANITIZE)
    # One label only: a list would be split by test discovery into separate properties, losing
    # this label and the environment after it. ctest -L takes a pattern, so both "unit" and
    # "sanitize" select it.
    set(labels unit_sanitize)
  endif()
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${labels}
               ENVIRONMENT QT_QPA_PLATFORM=offscreen
    DISCOVERY_TIMEOUT 60)
endfunction()

# Adds every sub-folder of the current folder that has a CMakeLists.txt: rooms join the build by
# being there.
function(lumivex_add_subfolders)
  file(GLOB subs LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(sub ${subs})
    if(IS_DIRECTORY ${sub} AND EXISTS ${sub}/CMakeLists.txt)
      add_subdirectory(${sub})
    endif()
  endforeach()
endfunction()
