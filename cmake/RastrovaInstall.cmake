# What "cmake --install" lays out, and the Debian package CPack makes of it
# (tools/package):
#
#   bin/rastrova, bin/rastrova-cli, bin/rastrova-sim
#   share/rastrova/sprav.txt, share/rastrova/help/      the program's data
#   share/rastrova/examples/base, .../database          copied for the user on the first start
#   share/applications/rastrova.desktop, share/icons/hicolor/*/apps/rastrova.*
#
# The programs recognise this layout at run time (src/core/store/installation.h):
# settings then go to the user's configuration folder, data come from share/rastrova.

install(TARGETS rastrova rastrova-cli rastrova-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${CMAKE_SOURCE_DIR}/data/sprav.txt DESTINATION ${RASTROVA_INSTALL_DATADIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/help DESTINATION ${RASTROVA_INSTALL_DATADIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${RASTROVA_INSTALL_DATADIR}/examples)

install(FILES ${CMAKE_SOURCE_DIR}/packaging/rastrova.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/rastrova.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/rastrova-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME rastrova.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/rastrova)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rastrova)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Разработчики Растровы")
set(CPACK_PACKAGE_CONTACT "Разработчики Растровы <rastrova@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor of print blanks for a printer adapter")
set(CPACK_PACKAGE_DESCRIPTION
    "Растрова edits the print blanks of a printer adapter (the device between a dot-matrix\n"
    "printer and a heat-metering controller), previews them as the printer prints them,\n"
    "compiles print files into the adapter's image and programs the device over a COM\n"
    "port, through the controller or over a CAN bus. Includes rastrova-cli for scripts and\n"
    "rastrova-sim, simulated devices for a dry run without hardware. Interface in Russian.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link (Qt 6 Core, Gui, Widgets, Network, SerialPort,
# the C and C++ runtimes) with the versions the build saw, from dpkg-shlibdeps;
# the platform plugins are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Qt's own texts (file dialogs, buttons) in Russian.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
