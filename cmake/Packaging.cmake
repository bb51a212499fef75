# The Debian package (scripts/package-deb.sh): the saver where the screen-saver daemon looks for
# it, linked into bin/, its settings description, desktop entry, the tools, a compressed manual
# page for every program in bin/, the copyright and the changelog. Binaries go in stripped; their
# debugging information goes into tressvale-dbgsym_VERSION_ARCH.ddeb beside the package.
if(WIN32)
  return()
endif()
include(GNUInstallDirs)
if(TARGET tressvale-knot)
  install(TARGETS tressvale-knot RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The saver is installed once; bin/tressvale is a relative link to the daemon's copy.
if(TARGET tressvale)
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
  file(CREATE_LINK ../${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver/tressvale
       ${PROJECT_BINARY_DIR}/packaging/tressvale SYMBOLIC)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/tressvale DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Manual pages carry the project's version and go in compressed, without a time stamp.
set(tv_man_pages)
foreach(page backends/x11/tressvale.6 docs/man/tressvale-render.1 docs/man/tressvale-library.1
             docs/man/tressvale-knot.1)
  get_filename_component(name ${page} NAME)
  get_filename_component(program ${page} NAME_WE)
  string(REGEX REPLACE ".*\\." "" section ${name})
  if(NOT TARGET ${program})
    continue()
  endif()
  set(gz ${PROJECT_BINARY_DIR}/man/${name}.gz)
  configure_file(${page} ${PROJECT_BINARY_DIR}/man/${name} @ONLY)
  add_custom_command(OUTPUT ${gz} COMMAND gzip -9nkf ${name}
                     DEPENDS ${PROJECT_BINARY_DIR}/man/${name}
                     WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/man VERBATIM)
  list(APPEND tv_man_pages ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
add_custom_target(tv_man_pages ALL DEPENDS ${tv_man_pages})

set(tv_doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/tressvale)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
                   COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
                           > ${PROJECT_BINARY_DIR}/packaging/changelog.gz
                   DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog)
add_custom_target(tv_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz packaging/debian/copyright
        DESTINATION ${tv_doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tressvale)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tressvale developers <tressvale@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen saver of mathematical knots and links as lit tubes")
set(CPACK_PACKAGE_DESCRIPTION [=[
Tressvale draws knots and links as lit, coloured tubes with OpenGL: 239 knots
and links generated from published knot tables, and random torus knots, fly
through the view, turn about two axes and change their drawing style, colours
and resolution.
.
The saver runs under the X screen-saver daemon (xscreensaver), in a window of
its own or full screen. The package also holds tressvale-render, which draws
the saver into PNG files without a display, and two tools that inspect the
stored knot library and describe random torus knots.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://example.org/tressvale)
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
# Library dependencies are read off the binaries; the daemon is what it is made for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xscreensaver")
include(CPack)
