# What `cmake --install` puts where, and the Debian package cpack builds from the same rules.
# The chart images live in LUMIVEX_INSTALL_CHART_DIR, where ChartFolders looks from the bin folder.

install(TARGETS lumivex lumivex-cli lumivex-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${LUMIVEX_CHART_DIR}/CIE1931_2.bmp ${LUMIVEX_CHART_DIR}/CIE1964_10.bmp
    ${LUMIVEX_CHART_DIR}/CIE-Normfarbtafel.bmp
    DESTINATION ${LUMIVEX_INSTALL_CHART_DIR})

install(FILES ${PROJECT_SOURCE_DIR}/packaging/lumivex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size ${LUMIVEX_ICON_SIZES})
    install(FILES ${LUMIVEX_ICON_DIR}/${size}x${size}/apps/lumivex.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumivex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Lumivex")
set(CPACK_PACKAGE_CONTACT "Lumivex developers <lumivex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "LED tester for a colour-measuring sensor device on a serial line")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Lumivex tests LEDs with a colour-measuring sensor device on a serial line: single-LED tests with RGB, HSI, "
    "CIE x/y and colour temperature, multi-sensor measurement lists against a reference and stability analyses. "
    "lumivex is the desktop program, lumivex-cli runs the tests headless and lumivex-sim simulates the device.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# dpkg-shlibdeps names the runtime libraries the programs link (libqt6core6, libqt6gui6,
# libqt6widgets6, libqt6serialport6, libstdc++6, ...); the window's Arial text wants a metric twin.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
include(CPack)
