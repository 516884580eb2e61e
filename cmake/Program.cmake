set(program_srcs "")
foreach(room workspace archive imagetools albums)
  file(GLOB_RECURSE s CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${room}/*.cpp ${CMAKE_SOURCE_DIR}/${room}/*.h)
  list(APPEND program_srcs ${s})
endforeach()
add_library(lumivex_program STATIC ${program_srcs})
target_include_directories(lumivex_program PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(lumivex_program PUBLIC lumivex_runtime lumivex_platform Qt6::Widgets Qt6::Network Qt6::PrintSupport)
# The controls join as they are built.
foreach(ctl lumivex_imaging lumivex_annotation_control lumivex_scanning)
  if(TARGET ${ctl})
    target_link_libraries(lumivex_program PUBLIC ${ctl})
  endif()
endforeach()

# The toolbar's own pictures, for desktops whose icon theme has none of a button's name.
file(GLOB toolbar_icons CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/workspace/icons/*.svg)
qt_add_resources(lumivex_program toolbar_icons PREFIX /icons/toolbar BASE workspace/icons FILES ${toolbar_icons})
# What the program installs for the desktop (cmake/Install.cmake) it also writes for the user at
# start-up, and its windows show the icon.
set(desktop_files docs/desktop/kvtLumivex.desktop docs/desktop/kvtLumivex.xml docs/desktop/kvtLumivex.svg)
qt_add_resources(lumivex_program desktop_files PREFIX /desktop BASE docs/desktop FILES ${desktop_files})

# The guide that Help > Contents opens: beside the program in the build tree, in the program's
# data folder once installed.
set(guide_files ${CMAKE_SOURCE_DIR}/docs/guide/index.html)
foreach(picture main-window annotation-palette floating-area scan-options convert effect-dialog album-manager-grid
                directory-browser archive-index-window)
  list(APPEND guide_files ${CMAKE_SOURCE_DIR}/docs/${picture}.png)
endforeach()
set(guide_copies "")
foreach(f ${guide_files})
  get_filename_component(name ${f} NAME)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/bin/guide/${name} COMMAND ${CMAKE_COMMAND} -E copy ${f} ${CMAKE_BINARY_DIR}/bin/guide/${name}
                     DEPENDS ${f} VERBATIM)
  list(APPEND guide_copies ${CMAKE_BINARY_DIR}/bin/guide/${name})
endforeach()
add_custom_target(lumivex_guide ALL DEPENDS ${guide_copies})
# The program and its tests find the guide beside them whichever target was built.
add_dependencies(lumivex_program lumivex_guide)
