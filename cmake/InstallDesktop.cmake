# Run by cmake --install once the files are in place (the variables come from Install.cmake): the
# command in bin/, the desktop entry with the installed command's path, and, when installing for
# this machine rather than into a staging folder, the desktop's type and application caches.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

file(MAKE_DIRECTORY "${root}/${lumivex_bindir}")
message(STATUS "Installing: ${root}/${lumivex_bindir}/kvtLumivex -> ${lumivex_link_target}")
file(CREATE_LINK "${lumivex_link_target}" "${root}/${lumivex_bindir}/kvtLumivex" SYMBOLIC)

# Exec holds the command quoted as the desktop entry rules ask: \ " ` $ escaped inside the quotes,
# then backslashes doubled for the file's string, and % doubled.
set(command "${CMAKE_INSTALL_PREFIX}/${lumivex_bindir}/kvtLumivex")
string(REPLACE "\\" "\\\\" command "${command}")
foreach(c "\"" "`" "$")
  string(REPLACE "${c}" "\\${c}" command "${command}")
endforeach()
string(REPLACE "\\" "\\\\" command "${command}")
string(REPLACE "%" "%%" command "${command}")
file(READ "${lumivex_entry}" entry)
string(REPLACE "Exec=kvtLumivex %f" "Exec=\"${command}\" %f" entry "${entry}")
set(applications "${root}/${lumivex_datadir}/applications")
message(STATUS "Installing: ${applications}/kvtLumivex.desktop")
file(MAKE_DIRECTORY "${applications}")
file(WRITE "${applications}/kvtLumivex.desktop" "${entry}")
# Both are made here rather than by install(): the manifest lists them too, so that an uninstall
# from it leaves nothing behind.
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${root}/${lumivex_bindir}/kvtLumivex" "${applications}/kvtLumivex.desktop")

if("$ENV{DESTDIR}" STREQUAL "")
  find_program(update_mime update-mime-database)
  if(update_mime)
    execute_process(COMMAND "${update_mime}" "${root}/${lumivex_datadir}/mime" OUTPUT_QUIET ERROR_QUIET)
  endif()
  find_program(update_desktop update-desktop-database)
  if(update_desktop)
    execute_process(COMMAND "${update_desktop}" "${applications}" OUTPUT_QUIET ERROR_QUIET)
  endif()
endif()
