# Installing Tavelin like any desktop application, and its Debian package (cpack -G DEB).
include(GNUInstallDirs)

install(TARGETS tavelin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/tavelin.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/tavelin.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/io.github.tavelin.Tavelin.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian wants the changelog compressed, and both files in the package's documentation folder.
file(ARCHIVE_CREATE OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
     PATHS ${PROJECT_SOURCE_DIR}/data/changelog FORMAT raw COMPRESSION GZip)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz ${PROJECT_SOURCE_DIR}/data/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavelin)

set(CPACK_PACKAGE_NAME tavelin)
set(CPACK_PACKAGE_VENDOR "Tavelin")
set(CPACK_PACKAGE_CONTACT "Tavelin <packages@tavelin.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "see where the space on a disk goes and get it back")
set(CPACK_PACKAGE_DESCRIPTION
    "Tavelin scans a disk or folder in parallel and shows it as a treemap beside a sortable\n"
    "table, measuring both the space on disk and the space deleting would really free.\n"
    "It suggests what could go, applies chosen steps with undo, remembers earlier scans\n"
    "and watches the free space.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries' packages come from the binary's own links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
