# What the Debian package installs besides the two programs (install() in
# src/ and sim/vtrsim/), and the package itself:
#   cmake --preset release && cmake --build --preset release
#   cpack --config build/release/CPackConfig.cmake -B build/release/package
# scripts/package does that and checks the package.
include(GNUInstallDirs)

# The manual pages, written by hand and given the project's version. Their
# OPTIONS say what --help says; scripts/package checks that they agree.
set(RF_MAN_DIR ${PROJECT_BINARY_DIR}/packaging/man)
set(RF_MAN_PAGES)
foreach(page rfadjust vtrsim)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/man/${page}.1.in ${RF_MAN_DIR}/${page}.1 @ONLY)
  add_custom_command(
    OUTPUT ${RF_MAN_DIR}/${page}.1.gz
    COMMAND gzip -9nkf ${page}.1
    DEPENDS ${RF_MAN_DIR}/${page}.1
    WORKING_DIRECTORY ${RF_MAN_DIR}
    VERBATIM)
  list(APPEND RF_MAN_PAGES ${RF_MAN_DIR}/${page}.1.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${RF_MAN_PAGES})
install(FILES ${RF_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The desktop menu's entry starts the tool through a small launcher in the
# operator's working directory, ~/rfadjust, made on the first start with the
# example settings of demo/ (port "SIM").
install(FILES packaging/rfadjust.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/rfadjust.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(PROGRAMS packaging/rfadjust-desktop DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/rfadjust)
install(FILES demo/DVTRRF.DAT demo/RSSET.DAT
        DESTINATION ${CMAKE_INSTALL_DATADIR}/rfadjust/examples)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rfadjust)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "rfadjust developers")
set(CPACK_PACKAGE_CONTACT "rfadjust developers <rfadjust@localhost>"
    CACHE STRING "The package's Maintainer field")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "RF adjustment tool for QT7310/7320/7330 HD videotape recorders")
set(CPACK_PACKAGE_DESCRIPTION
    "An operator's tool that adjusts and verifies the RF record and playback\n"
    "circuits of the QT7310, QT7320 and QT7330 HD videotape recorders over an\n"
    "RS-232C line, keeps an operation log of every run and writes an adjustment\n"
    "report (PDF) after each. Includes vtrsim, a simulated recorder on a\n"
    "pseudo-terminal.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # rfadjust_2.1_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps finds the libraries the programs link. What it cannot see:
# the fonts the window is laid out for (Arial's metrics), and Qt's platform
# plugins. On Debian 12 the xcb and offscreen plugins come with libqt6gui6
# itself, which only recommends qt6-qpa-plugins with the others; the package
# names it, so that an install without recommends has them all too. The
# records store opens its database through Qt SQL's driver plugins (SQLite by
# default, PostgreSQL for a service centre), which no program links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-liberation2, qt6-qpa-plugins, libqt6sql6-sqlite, libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
