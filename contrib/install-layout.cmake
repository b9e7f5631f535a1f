# Run by `cmake --install` and by CPack after the plain files are in place: the parts of the
# installed layout whose paths depend on the prefix installed to. TUNEDECK_SOURCE_DIR is set by
# the install rules before this runs; DESTDIR stages the tree elsewhere, as the package does.
set(prefix "${CMAKE_INSTALL_PREFIX}")
set(root "$ENV{DESTDIR}")
# The configuration folder: /etc for the system's own /usr, <prefix>/etc for any other prefix.
if(prefix STREQUAL "/usr")
  set(etc "/etc/tunedeck")
else()
  set(etc "${prefix}/etc/tunedeck")
endif()
set(libdir "${prefix}/lib/tunedeck")
set(docdir "${prefix}/share/doc/tunedeck")
set(readable OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

function(tunedeck_link target link)
  get_filename_component(folder "${root}${link}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  message(STATUS "Installing: ${root}${link} -> ${target}")
  file(CREATE_LINK "${target}" "${root}${link}" SYMBOLIC)
endfunction()

# A text file compressed as Debian keeps documentation: gzip -9, without name or time stamp.
function(tunedeck_gzip source destination)
  get_filename_component(folder "${root}${destination}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  message(STATUS "Installing: ${root}${destination}")
  execute_process(COMMAND gzip -9nc "${source}" OUTPUT_FILE "${root}${destination}"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${source} failed")
  endif()
  file(CHMOD "${root}${destination}" PERMISSIONS ${readable})
endfunction()

# The program is found on the PATH; it runs from its own folder (relative within /usr).
tunedeck_link("../lib/tunedeck/tunedeck" "${prefix}/bin/tunedeck")

# The settings belong to the machine's owner: installed once, never replaced by a later
# `make install` (the package's upgrades keep an edited conffile the same way).
if(EXISTS "${root}${etc}/settings.ini")
  message(STATUS "Kept: ${root}${etc}/settings.ini (the owner's)")
else()
  message(STATUS "Installing: ${root}${etc}/settings.ini")
  file(MAKE_DIRECTORY "${root}${etc}")
  file(COPY_FILE "${TUNEDECK_SOURCE_DIR}/contrib/settings.ini" "${root}${etc}/settings.ini")
  file(CHMOD "${root}${etc}/settings.ini" PERMISSIONS ${readable})
endif()
# The program reads settings.ini beside itself; installed, that is the one in the configuration
# folder (an absolute link: it leaves /usr).
tunedeck_link("${etc}/settings.ini" "${libdir}/settings.ini")

# The unit and the desktop entry name the program by its full path.
foreach(unit tunedeck.service tunedeck.desktop)
  if(unit STREQUAL "tunedeck.service")
    set(destination "${prefix}/lib/systemd/user/${unit}")
  else()
    set(destination "${prefix}/share/applications/${unit}")
  endif()
  message(STATUS "Installing: ${root}${destination}")
  set(TUNEDECK_PROGRAM "${prefix}/bin/tunedeck")
  set(TUNEDECK_DOCS "${docdir}")
  configure_file("${TUNEDECK_SOURCE_DIR}/contrib/${unit}.in" "${root}${destination}" @ONLY)
  file(CHMOD "${root}${destination}" PERMISSIONS ${readable})
endforeach()

tunedeck_gzip("${TUNEDECK_SOURCE_DIR}/contrib/debian/changelog" "${docdir}/changelog.gz")
tunedeck_gzip("${TUNEDECK_SOURCE_DIR}/contrib/tunedeck.1" "${prefix}/share/man/man1/tunedeck.1.gz")
