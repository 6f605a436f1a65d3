# Installation into the places a Linux desktop looks at, and the Debian package
# (`cpack -G DEB` in the build folder). Included by the top-level CMakeLists.txt
# after every target is defined.

set(KWATRIX_APP_ID cz.telvanor.Kwatrix)
# The day the release named by the project version was made; change both together.
set(KWATRIX_RELEASE_DATE 2026-12-08)
set(KWATRIX_HOMEPAGE "https://telvanor.cz/kwatrix/" CACHE STRING
    "Project home page, ending in /; publish packaging/screenshots/main-window.png as screenshots/main-window.png there")
set(KWATRIX_MAINTAINER "Telvanor Kwatrix developers <kwatrix@telvanor.cz>" CACHE STRING
    "Maintainer of the Debian package")

set(packaging_dir ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(packaging_out ${CMAKE_CURRENT_BINARY_DIR}/packaging)

install(TARGETS kwatrix-report kwatrix-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages, compressed as Debian ships them.
set(man_pages kwatrix-report kwatrix-demo)
if(KWATRIX_GUI)
    list(PREPEND man_pages kwatrix)
endif()
set(man_outputs)
foreach(page IN LISTS man_pages)
    configure_file(${packaging_dir}/man/${page}.1.in ${packaging_out}/man/${page}.1 @ONLY)
    add_custom_command(OUTPUT ${packaging_out}/man/${page}.1.gz
        COMMAND gzip -9nkf ${packaging_out}/man/${page}.1
        DEPENDS ${packaging_out}/man/${page}.1
        VERBATIM)
    list(APPEND man_outputs ${packaging_out}/man/${page}.1.gz)
endforeach()
add_custom_target(kwatrix_man_pages ALL DEPENDS ${man_outputs})
install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(NOT KWATRIX_GUI)
    return()
endif()

install(TARGETS kwatrix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The program looks for its help document beside itself (the build tree) and
# then in ../share/kwatrix relative to itself.
install(FILES resources/help/qx5view.html DESTINATION ${CMAKE_INSTALL_DATADIR}/kwatrix)

# Icons: the SVG as it is, and the sizes that menus and software centres ask
# for when a desktop does not scale SVG icons, rendered from the same SVG.
find_program(KWATRIX_RSVG_CONVERT rsvg-convert REQUIRED)
install(FILES resources/kwatrix.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${KWATRIX_APP_ID}.svg)
set(icon_outputs)
foreach(size 48 256)
    set(png ${packaging_out}/icons/${size}x${size}/${KWATRIX_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/icons/${size}x${size}
        COMMAND ${KWATRIX_RSVG_CONVERT} --width ${size} --height ${size} --keep-aspect-ratio
                --output ${png} ${CMAKE_CURRENT_SOURCE_DIR}/resources/kwatrix.svg
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/resources/kwatrix.svg
        VERBATIM)
    list(APPEND icon_outputs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(kwatrix_icons ALL DEPENDS ${icon_outputs})

install(FILES ${packaging_dir}/${KWATRIX_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${packaging_dir}/${KWATRIX_APP_ID}.metainfo.xml.in
    ${packaging_out}/${KWATRIX_APP_ID}.metainfo.xml @ONLY)
install(FILES ${packaging_out}/${KWATRIX_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The Debian package. Its library dependencies come from dpkg-shlibdeps, which
# finds Qt and QCustomPlot in Debian's own packages.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kwatrix)
set(CPACK_PACKAGE_VENDOR Telvanor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KWATRIX_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "viewer and reporter of quarter-hour energy metering archives")
set(CPACK_PACKAGE_DESCRIPTION
    "Kwatrix lists and charts the archive that a QX5 programmable controller keeps
of its energy meters: quarter-hour, hour and day values, group sums for each
day, output sums by tariff group and day class over a period, and a bar chart
of the consumption. It opens any folder into which the controller's month
files are copied. The program speaks Czech.

kwatrix-report prints the same listings without a display, for scripts;
kwatrix-demo writes a demo archive folder.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KWATRIX_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KWATRIX_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Czech texts on the standard buttons of message boxes and dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
