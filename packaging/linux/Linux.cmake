# The Linux program as a desktop application: `cmake --install` puts the
# executables, winehost.exe and the files they read where Layout.cmake says,
# with a menu entry, icons in the hicolor theme and AppStream metainfo, and
# CPack turns the same install into a .deb (`cmake --build build --target
# package`).
set(TOLVANIRE_APP_ID com.tolvanire.uninstaller)
# The day version ${PROJECT_VERSION} was released; changes with it.
set(TOLVANIRE_RELEASE_DATE 2026-12-10)

install(TARGETS tolvanire-uninstaller RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The pictures, style sheets and "uiconfig" as the build put them beside the
# executables (scripts/gen-resources.cmake).
install(DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Resources ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/QSS
        DESTINATION ${TOLVANIRE_INSTALL_DATADIR} PATTERN .generated EXCLUDE)
install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/uiconfig DESTINATION ${TOLVANIRE_INSTALL_DATADIR})

# What the desktop shows: the menu entry, the metainfo of software centres
# and the logo, whole as SVG and rendered at the sizes menus and docks ask
# for (an icon theme without PNGs shows nothing in some of them).
set(desktop_dir ${CMAKE_BINARY_DIR}/packaging/linux)
set(TOLVANIRE_DESKTOP_FILE ${CMAKE_CURRENT_LIST_DIR}/${TOLVANIRE_APP_ID}.desktop)
set(TOLVANIRE_METAINFO_FILE ${desktop_dir}/${TOLVANIRE_APP_ID}.metainfo.xml)
configure_file(${CMAKE_CURRENT_LIST_DIR}/${TOLVANIRE_APP_ID}.metainfo.xml.in ${TOLVANIRE_METAINFO_FILE} @ONLY)
install(FILES ${TOLVANIRE_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TOLVANIRE_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(logo ${CMAKE_SOURCE_DIR}/art/pictures/logo.svg)
set(icon_dir ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${logo} DESTINATION ${icon_dir}/scalable/apps RENAME ${TOLVANIRE_APP_ID}.svg)
set(icons)
foreach(size 16 24 32 48 64 128 256)
    set(icon ${desktop_dir}/icons/${size}/${TOLVANIRE_APP_ID}.png)
    add_custom_command(
        OUTPUT ${icon}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${desktop_dir}/icons/${size}
        COMMAND ${TOLVANIRE_RSVG_CONVERT} -w ${size} -h ${size} -o ${icon} ${logo}
        DEPENDS ${logo}
        VERBATIM)
    list(APPEND icons ${icon})
    install(FILES ${icon} DESTINATION ${icon_dir}/${size}x${size}/apps)
endforeach()
add_custom_target(tolvanire_desktop_icons ALL DEPENDS ${icons})

# The .deb: the libraries it links come from dpkg-shlibdeps; Wine runs
# winehost.exe, a 64-bit Windows program.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${TOLVANIRE_APP_NAME})
set(CPACK_PACKAGE_VENDOR Tolvanire)
set(CPACK_PACKAGE_CONTACT "Tolvanire <support@tolvanire.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Removes the Windows programs of a Wine prefix and what they leave behind")
set(CPACK_PACKAGE_DESCRIPTION
    "Lists the Windows programs installed in a Wine prefix, runs the uninstallers of the chosen ones and deletes the files, folders and registry entries they left behind. Includes the command-line program tolvanire-uninstaller-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.tolvanire.com/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "wine, wine64")
include(CPack)
