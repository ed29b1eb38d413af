# Installation of the desktop application in the freedesktop places: the
# programs, a desktop entry, the icon and the MIME type of project files.
include(GNUInstallDirs)

set(QUILLET_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/src/app/desktop)

install(TARGETS quillet quillet-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${QUILLET_DESKTOP_DIR}/io.github.quillet.Quillet.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QUILLET_DESKTOP_DIR}/quillet.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${QUILLET_DESKTOP_DIR}/quillet-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME quillet.xml)
install(FILES ${QUILLET_DESKTOP_DIR}/quillet.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes
        RENAME application-x-quillet-project.svg)
