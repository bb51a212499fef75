# The Debian package (scripts/package-deb.sh): the saver where the screen-saver daemon looks for
# it and in bin/, its settings description, desktop entry and manual page, and the tools.
if(TARGET tressvale-knot)
  install(TARGETS tressvale-knot RUNTIME DESTINATION bin)
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tressvale)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tressvale developers <tressvale@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen saver: mathematical knots and links as lit, coloured tubes")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
# Library dependencies are read off the binaries; the daemon is what it is made for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xscreensaver")
include(CPack)
