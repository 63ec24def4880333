# What `cmake --install` puts under CMAKE_INSTALL_PREFIX, and the Debian package CPack makes of
# it: the program, its desktop entry, icon, AppStream metadata and manual page.
include(GNUInstallDirs)

set(TARNWICK_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS tarnwick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${TARNWICK_PACKAGING_DIR}/tarnwick.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TARNWICK_PACKAGING_DIR}/tarnwick.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${TARNWICK_PACKAGING_DIR}/org.tarnwick.tarnwick.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The manual page is made from the program's --help text at build time (a program of the same
# build has to run, so not when cross-compiling).
if(NOT CMAKE_CROSSCOMPILING)
  add_executable(tarnwick_make_man_page ${TARNWICK_PACKAGING_DIR}/make_man_page.cpp)
  target_link_libraries(tarnwick_make_man_page PRIVATE tarnwick_app)
  set(TARNWICK_MAN_PAGE ${PROJECT_BINARY_DIR}/packaging/tarnwick.1)
  # Installed compressed, as Debian policy wants: -n leaves out name and time, so the same page
  # gives the same bytes.
  add_custom_command(OUTPUT ${TARNWICK_MAN_PAGE} ${TARNWICK_MAN_PAGE}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
    COMMAND tarnwick_make_man_page ${TARNWICK_MAN_PAGE} ${PROJECT_VERSION}
    COMMAND gzip -9 -n -k -f ${TARNWICK_MAN_PAGE}
    DEPENDS tarnwick_make_man_page
    COMMENT "Making the manual page from the --help text")
  add_custom_target(tarnwick_man_page ALL DEPENDS ${TARNWICK_MAN_PAGE}.gz)
  install(FILES ${TARNWICK_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The licence terms and the release history, where Debian tools look for them (not on Windows:
# its zip carries its own). The history is in the format of a Debian changelog, compressed like
# the manual page.
if(NOT WIN32)
  set(TARNWICK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tarnwick)
  install(FILES ${TARNWICK_PACKAGING_DIR}/copyright DESTINATION ${TARNWICK_DOC_DIR})
  set(TARNWICK_CHANGELOG ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
  add_custom_command(OUTPUT ${TARNWICK_CHANGELOG}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
    COMMAND ${CMAKE_COMMAND} -E copy ${TARNWICK_PACKAGING_DIR}/changelog
      ${PROJECT_BINARY_DIR}/packaging/changelog
    COMMAND gzip -9 -n -f ${PROJECT_BINARY_DIR}/packaging/changelog
    DEPENDS ${TARNWICK_PACKAGING_DIR}/changelog
    COMMENT "Compressing the changelog")
  add_custom_target(tarnwick_changelog ALL DEPENDS ${TARNWICK_CHANGELOG})
  install(FILES ${TARNWICK_CHANGELOG} DESTINATION ${TARNWICK_DOC_DIR})
endif()

# cpack -G DEB (in the build folder) makes tarnwick_VERSION_ARCH.deb for /usr.
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR "Tarnwick")
# lintian refuses an address on localhost.
set(CPACK_PACKAGE_CONTACT "Tarnwick developers <tarnwick@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make images and executables smaller in place, losslessly")
# Lines of the description stay within 80 columns, as lintian asks.
set(CPACK_PACKAGE_DESCRIPTION
  "Tarnwick runs external optimizers on PNG, TIFF, JPEG, GIF and PDF files and\n\
on Windows executables, one file or a whole folder at a time, from its window\n\
or from a terminal.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: the shared libraries the program links, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The optimizers: without them the program runs, and says which steps leave files unchanged.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "pngcrush, optipng, libimage-exiftool-perl, zopfli, advancecomp, libjpeg-turbo-progs, gifsicle, qpdf")
include(CPack)
