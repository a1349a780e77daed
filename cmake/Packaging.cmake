# The Debian package of the editor: `cmake --build build --target package` makes
# build/vantorix_<version>_<arch>.deb. It installs the program under /usr/lib/vantorix/
# with the colors.dat every user starts with beside it (the program looks there), a
# command /usr/bin/vantorix, the desktop entry ("Open With" for any file), the icon in the
# hicolor theme, the AppStream metainfo and the manual page. The setup program is not part
# of it: a package manager installs and removes instead.

set(vantorix_app_id example.dunmerrow.Vantorix)
set(vantorix_desktop_dir ${CMAKE_SOURCE_DIR}/res/desktop)
set(vantorix_generated ${CMAKE_BINARY_DIR}/desktop)

configure_file(${vantorix_desktop_dir}/${vantorix_app_id}.metainfo.xml
               ${vantorix_generated}/${vantorix_app_id}.metainfo.xml @ONLY)
configure_file(${vantorix_desktop_dir}/vantorix.1 ${vantorix_generated}/vantorix.1 @ONLY)

# Debian ships manual pages compressed, without a time stamp in the archive (-n), so the
# package is the same from one build to the next.
find_program(VANTORIX_GZIP gzip)
if(VANTORIX_GZIP)
  add_custom_command(OUTPUT ${vantorix_generated}/vantorix.1.gz
    COMMAND ${VANTORIX_GZIP} -9nc ${vantorix_generated}/vantorix.1 > ${vantorix_generated}/vantorix.1.gz
    DEPENDS ${vantorix_generated}/vantorix.1
    COMMENT "Compressing the manual page")
  add_custom_target(vantorix_manpage ALL DEPENDS ${vantorix_generated}/vantorix.1.gz)
  set(vantorix_manpage ${vantorix_generated}/vantorix.1.gz)
else()
  set(vantorix_manpage ${vantorix_generated}/vantorix.1)
endif()

# /usr/bin/vantorix leads to the program; the program finds colors.dat beside its real
# location, /usr/lib/vantorix.
file(CREATE_LINK ../lib/vantorix/Vantorix ${vantorix_generated}/vantorix SYMBOLIC)

include(GNUInstallDirs)
install(TARGETS Vantorix RUNTIME DESTINATION lib/vantorix COMPONENT editor)
install(FILES ${CMAKE_SOURCE_DIR}/res/colors.dat DESTINATION lib/vantorix COMPONENT editor)
install(FILES ${vantorix_generated}/vantorix DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT editor)
install(FILES ${vantorix_desktop_dir}/${vantorix_app_id}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT editor)
install(FILES ${CMAKE_SOURCE_DIR}/res/icons/vantorix.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${vantorix_app_id}.svg COMPONENT editor)
install(FILES ${vantorix_generated}/${vantorix_app_id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT editor)
install(FILES ${vantorix_manpage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT editor)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantorix)
set(CPACK_PACKAGE_VENDOR Dunmerrow)
set(CPACK_PACKAGE_CONTACT "Dunmerrow <vantorix@dunmerrow.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "colour-coded hex editor")
set(CPACK_PACKAGE_DESCRIPTION
    "Vantorix shows any file as rows of addresses, hexadecimal bytes and characters, each\n"
    "byte value in colours of the user's choosing, and overwrites bytes in place. Files are\n"
    "never loaded: rows are read as they are drawn and Save writes only the changed bytes.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL editor)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.dunmerrow.example/vantorix/")
# The libraries the program links come from dpkg-shlibdeps; Qt's plugins are loaded at run
# time and named here: the window system (xcb, wayland) and the SVG icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build.*/;/\\\\.git/")
include(CPack)
