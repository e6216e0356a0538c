# The installed desktop application: programs in bin/, definition files and the user manual in
# share/trevasc/, the desktop entry, the MIME type of XRDML files, icons, AppStream metainfo and
# manual pages; and the Debian package that `make package` builds from it.
include(GNUInstallDirs)

install(FILES data/XRAY.DEF data/Substrates.DEF docs/manual.html
        DESTINATION ${CMAKE_INSTALL_DATADIR}/trevasc)
if(TREVASC_EXTRA_DATA)
    install(FILES ${TREVASC_EXTRA_DATA} DESTINATION ${CMAKE_INSTALL_DATADIR}/trevasc)
endif()

set(TREVASC_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/data/desktop)
set(TREVASC_GENERATED_DATA ${CMAKE_BINARY_DIR}/data)
configure_file(${TREVASC_DESKTOP_DIR}/org.example.trevasc.metainfo.xml.in
               ${TREVASC_GENERATED_DATA}/${TREVASC_APP_ID}.metainfo.xml @ONLY)

if(TREVASC_GUI)
    install(FILES ${TREVASC_DESKTOP_DIR}/org.example.trevasc.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications RENAME ${TREVASC_APP_ID}.desktop)
    install(FILES ${TREVASC_GENERATED_DATA}/${TREVASC_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${TREVASC_DESKTOP_DIR}/trevasc-mime.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${TREVASC_APP_ID}.xml)

    # Icons: the SVG as drawn, and PNG sizes rendered from it at build time.
    set(TREVASC_ICON_SIZES 16 24 32 48 64 128 256)
    set(TREVASC_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
    add_executable(trevasc-render-icon data/icons/RenderIcon.cpp)
    target_link_libraries(trevasc-render-icon PRIVATE Qt6::Gui Qt6::Svg)
    set_target_properties(trevasc-render-icon PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                          ${CMAKE_BINARY_DIR}/tools)
    set(icon_outputs "")
    foreach(size ${TREVASC_ICON_SIZES})
        list(APPEND icon_outputs ${TREVASC_ICON_DIR}/${size}x${size}/trevasc.png)
    endforeach()
    add_custom_command(OUTPUT ${icon_outputs}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                $<TARGET_FILE:trevasc-render-icon> ${CMAKE_SOURCE_DIR}/data/icons/trevasc.svg
                ${TREVASC_ICON_DIR} ${TREVASC_ICON_SIZES}
        DEPENDS trevasc-render-icon ${CMAKE_SOURCE_DIR}/data/icons/trevasc.svg
        COMMENT "Rendering the icon sizes")
    add_custom_target(trevasc-icons ALL DEPENDS ${icon_outputs})
    install(FILES data/icons/trevasc.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    foreach(size ${TREVASC_ICON_SIZES})
        install(FILES ${TREVASC_ICON_DIR}/${size}x${size}/trevasc.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
endif()

# Manual pages, with the version and the web address filled in, compressed as Debian wants them.
set(man_outputs "")
foreach(page trevasc trevasc-cli)
    if(page STREQUAL "trevasc" AND NOT TREVASC_GUI)
        continue()
    endif()
    configure_file(docs/man/${page}.1 ${TREVASC_GENERATED_DATA}/man/${page}.1 @ONLY)
    add_custom_command(OUTPUT ${TREVASC_GENERATED_DATA}/man/${page}.1.gz
        COMMAND gzip -9 -n -c ${TREVASC_GENERATED_DATA}/man/${page}.1
                > ${TREVASC_GENERATED_DATA}/man/${page}.1.gz
        DEPENDS ${TREVASC_GENERATED_DATA}/man/${page}.1 VERBATIM)
    list(APPEND man_outputs ${TREVASC_GENERATED_DATA}/man/${page}.1.gz)
    install(FILES ${TREVASC_GENERATED_DATA}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(trevasc-man ALL DEPENDS ${man_outputs})

# The Debian package. Its dependencies come from the shared libraries the programs link
# (dpkg-shlibdeps); fonts-liberation gives the plots their metric-compatible "Arial".
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trevasc)
set(CPACK_PACKAGE_VENDOR "The Trevasc developers")
set(CPACK_PACKAGE_CONTACT "The Trevasc developers <trevasc@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "workbench for X-ray diffraction scans")
set(CPACK_PACKAGE_DESCRIPTION
    "Opens XML measurement files (*.xrdml) and text scans of X-ray diffractometers, finds and\n\
labels peaks, identifies substrates, computes lattice constants and film thickness, fits\n\
peaks and exports numbers and pictures. Includes the batch tool trevasc-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TREVASC_HOMEPAGE})
# The Python module needs numpy.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, python3-numpy")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnuplot-x11")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
include(CPack)
