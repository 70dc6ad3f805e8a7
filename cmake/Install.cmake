# Installing like a desktop program. Everything the program finds beside itself at run time (the
# engine libraries, the self-extractor stub, the help file, the readme) goes into one folder,
# lib/pakrune, marked as installed so that each user sees it through C:\Program Files\Pakrune;
# bin/pakrune is a link to the program there. The desktop entry, the icon and the AppStream
# metainfo go where the desktop looks for them. DESTDIR is honoured, so `cpack -G DEB` packages
# the same tree.
set(PAKRUNE_INSTALL_DIR lib/pakrune)
set(DESKTOP_FILES ${PROJECT_SOURCE_DIR}/resources/desktop)

install(TARGETS pakrune RUNTIME DESTINATION ${PAKRUNE_INSTALL_DIR})
install(TARGETS zipdll unzdll LIBRARY DESTINATION ${PAKRUNE_INSTALL_DIR})
install(FILES ${DESKTOP_FILES}/pakrune.installed DESTINATION ${PAKRUNE_INSTALL_DIR})
# Each of these is installed when it has been made.
install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/ZIPSFX.BIN ${PROJECT_SOURCE_DIR}/resources/pakrune.hlp
  ${PROJECT_SOURCE_DIR}/resources/readme.txt DESTINATION ${PAKRUNE_INSTALL_DIR} OPTIONAL)
install(CODE "
  set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(MAKE_DIRECTORY \"\${bin}\")
  message(STATUS \"Installing: \${bin}/pakrune -> ../${PAKRUNE_INSTALL_DIR}/pakrune\")
  file(CREATE_LINK ../${PAKRUNE_INSTALL_DIR}/pakrune \"\${bin}/pakrune\" SYMBOLIC)")

install(FILES ${DESKTOP_FILES}/org.pakrune.Pakrune.desktop DESTINATION share/applications)
install(FILES ${DESKTOP_FILES}/org.pakrune.Pakrune.metainfo.xml DESTINATION share/metainfo)
install(FILES ${DESKTOP_FILES}/org.pakrune.Pakrune.svg
  DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${DESKTOP_FILES}/org.pakrune.Pakrune-48.png
  DESTINATION share/icons/hicolor/48x48/apps RENAME org.pakrune.Pakrune.png)

set(CPACK_PACKAGE_NAME pakrune)
set(CPACK_PACKAGE_VENDOR "Pakrune")
set(CPACK_PACKAGE_CONTACT "Pakrune developers <pakrune@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ZIP archive manager that sits beside your web browser")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
