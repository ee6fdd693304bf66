# What `cmake --install` puts where (GNUInstallDirs places below the prefix), and the Debian
# package that `cpack -G DEB` builds from the same rules. Only the two programs and their
# data are installed: the tests, fuzz harnesses and benchmarks have no install rules.

set(DOVREX_PACKAGE_MAINTAINER "Kelmora, Inc. <dovrex@kelmora.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")

install(TARGETS dovrex-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(DOVREX_BUILD_DESKTOP)
  install(TARGETS dovrex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The report command's PDF program, which dovrex-cli starts (it is not for users to call).
  install(TARGETS dovrex-cli-pdf RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/dovrex)
  install(FILES packaging/dovrex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/dovrex.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES packaging/dovrex-48.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps
          RENAME dovrex.png)
endif()

# The samples that the desktop program copies into a new program folder, and that the
# README's command-line examples use. The scripts that wrote them stay in the sources.
install(DIRECTORY samples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/${DOVREX_INSTALL_SAMPLES_SUBDIR}
        PATTERN "*.py" EXCLUDE PATTERN "__pycache__" EXCLUDE)

# Manual pages are installed compressed, as Debian keeps them.
set(dovrex_man_page ${CMAKE_BINARY_DIR}/man/dovrex-cli.1)
add_custom_command(OUTPUT ${dovrex_man_page}.gz
                   COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/man/dovrex-cli.1 ${dovrex_man_page}
                   COMMAND gzip -9nf ${dovrex_man_page}
                   DEPENDS ${PROJECT_SOURCE_DIR}/man/dovrex-cli.1
                   COMMENT "Compressing the manual page dovrex-cli.1"
                   VERBATIM)
add_custom_target(dovrex_man ALL DEPENDS ${dovrex_man_page}.gz)
install(FILES ${dovrex_man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dovrex)
set(CPACK_PACKAGE_VENDOR "Kelmora, Inc.")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${DOVREX_REVISION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Route exchange for handheld meter reading")
set(CPACK_PACKAGE_CONTACT "${DOVREX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DOVREX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the long text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Dovrex turns a utility billing system's route file (fixed-width,
delimited, MVRS or E5000) into the route database that meter-reading
handhelds carry into the field, and the handhelds' readings database
back into the billing system's upload file, with orphan and re-read
files and printed readings reports.
.
The package holds the desktop program dovrex, the command-line program
dovrex-cli for scripts and scheduled jobs, sample maps and billing
files, and a manual page.")
# The libraries the programs link (Qt, fontconfig and FreeType for the reports' PDF files, the
# C++ runtime) are found by dpkg-shlibdeps; Qt's X11 and offscreen platform plugins come with
# libqt6gui6. The reports' fonts ("Arial", "Courier New" resolve to metric-compatible
# Liberation faces) are looked up at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(DOVREX_BUILD_DESKTOP)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
endif()

include(CPack)
