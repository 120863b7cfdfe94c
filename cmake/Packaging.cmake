# How Tilvane is handed to users: the Debian package (cpack -G DEB) and the
# movable application folder, Tilvane.AppDir, packed by the `appdir` target.
# Both hold what `cmake --install` puts in place, with the manual page, the
# README and the copyright beside it.

# --- the manual page and the documents -----------------------------------------
find_program(TILVANE_GZIP gzip REQUIRED)
configure_file(${CMAKE_SOURCE_DIR}/packaging/tilvane.1 ${CMAKE_BINARY_DIR}/packaging/tilvane.1 @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/tilvane.1.gz
                   COMMAND ${TILVANE_GZIP} -9nf -k ${CMAKE_BINARY_DIR}/packaging/tilvane.1
                   DEPENDS ${CMAKE_BINARY_DIR}/packaging/tilvane.1)
add_custom_target(tilvane_man_page ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/tilvane.1.gz)

install(FILES ${CMAKE_BINARY_DIR}/packaging/tilvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tilvane)

# --- the Debian package -----------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tilvane)
set(CPACK_PACKAGE_VENDOR "The Tilvane developers")
set(CPACK_PACKAGE_CONTACT "The Tilvane developers <maintainers@tilvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "move and resize windows from the keyboard and the mouse")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Tilvane places the focused window in a half, a quarter, a third, the centre\n"
       "or the whole of its screen with a keyboard shortcut, grows, shrinks and\n"
       "nudges it, and sends it to the next display or desktop. Holding chosen\n"
       "modifiers moves or resizes the window under the pointer. It runs on X11\n"
       "desktops with an EWMH window manager.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
# The libraries the programs link come from dpkg-shlibdeps. What is loaded at
# run time no link names: Qt's X11 platform plugin, and the property-list and
# keyboard-layout libraries the commands load only when they need them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libplist3, libxkbcommon-x11-0")
# In a sway session the application's windows are Wayland clients, through Qt's Wayland platform.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
include(CPack)

# --- the movable application folder ---------------------------------------------------
# Tilvane.AppDir/AppRun starts usr/bin/tilvane wherever the folder lies; the
# programs find their texts beside themselves. Qt comes from the system.
if(CMAKE_SYSTEM_PROCESSOR)
  set(TILVANE_ARCH ${CMAKE_SYSTEM_PROCESSOR})
else()
  set(TILVANE_ARCH unknown)
endif()
set(TILVANE_APPDIR_STAGE ${CMAKE_BINARY_DIR}/appdir)
set(TILVANE_APPDIR ${TILVANE_APPDIR_STAGE}/Tilvane.AppDir)
set(TILVANE_APPDIR_ARCHIVE ${CMAKE_BINARY_DIR}/packages/Tilvane-${PROJECT_VERSION}-${TILVANE_ARCH}.AppDir.tar.gz)
add_custom_target(appdir
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${TILVANE_APPDIR_STAGE}
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${TILVANE_APPDIR}/usr --strip
  COMMAND ${CMAKE_COMMAND} -E create_symlink usr/bin/tilvane ${TILVANE_APPDIR}/AppRun
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/tilvane.desktop ${TILVANE_APPDIR}/tilvane.desktop
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/icons/hicolor/scalable/apps/tilvane.svg
          ${TILVANE_APPDIR}/tilvane.svg
  COMMAND ${CMAKE_COMMAND} -E create_symlink tilvane.svg ${TILVANE_APPDIR}/.DirIcon
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packages
  COMMAND ${CMAKE_COMMAND} -E chdir ${TILVANE_APPDIR_STAGE} ${CMAKE_COMMAND} -E tar czf ${TILVANE_APPDIR_ARCHIVE}
          Tilvane.AppDir
  DEPENDS tilvane tilvane-app tilvane_man_page
  COMMENT "Packing ${TILVANE_APPDIR_ARCHIVE}"
  VERBATIM)
