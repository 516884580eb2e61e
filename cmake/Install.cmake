# cmake --install BUILD --prefix DIR: the program with the libraries it loads beside it, the command
# that starts it, and what the desktop needs to offer it: its entry, the album type, its icon, and
# the guide.
include(GNUInstallDirs)
# The annotation control loads the engine from the program's own folder, and program and engine
# find the platform library there: the three live in one folder of their own, and bin/ holds a link
# to the program (the program's folder is the link's target, not the link's).
set(lumivex_program_dir ${CMAKE_INSTALL_LIBDIR}/kvtLumivex)
set(lumivex_data_dir ${CMAKE_INSTALL_DATADIR}/Quorvane/kvtLumivex)
set_target_properties(kvtLumivex annolyx lumivex_platform PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS kvtLumivex annolyx lumivex_platform
        RUNTIME DESTINATION ${lumivex_program_dir}
        LIBRARY DESTINATION ${lumivex_program_dir})
install(FILES ${guide_files} DESTINATION ${lumivex_data_dir}/guide)
install(FILES docs/desktop/kvtLumivex.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES docs/desktop/kvtLumivex.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# The installed program finds its guide in its data folder from where it lies, whatever the prefix.
file(RELATIVE_PATH lumivex_data_from_program /${lumivex_program_dir} /${lumivex_data_dir})
set_property(SOURCE ${CMAKE_SOURCE_DIR}/workspace/program_guide.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             LUMIVEX_DATA_FROM_PROGRAM="${lumivex_data_from_program}")
# The link, the desktop entry naming the installed command, and the desktop's caches.
file(RELATIVE_PATH lumivex_link_target /${CMAKE_INSTALL_BINDIR} /${lumivex_program_dir}/kvtLumivex)
install(CODE "set(lumivex_bindir \"${CMAKE_INSTALL_BINDIR}\")
set(lumivex_datadir \"${CMAKE_INSTALL_DATADIR}\")
set(lumivex_link_target \"${lumivex_link_target}\")
set(lumivex_entry \"${CMAKE_SOURCE_DIR}/docs/desktop/kvtLumivex.desktop\")")
install(SCRIPT cmake/InstallDesktop.cmake)
