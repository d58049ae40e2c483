# Installing Tavelin like any desktop application, and its Debian package (cpack -G DEB).
include(GNUInstallDirs)

install(TARGETS tavelin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/tavelin.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/tavelin.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/io.github.tavelin.Tavelin.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian wants the changelog and the manual page compressed as far as gzip goes, without a
# time stamp, so that the same sources give the same package.
function(tavelin_gzip source output)
    execute_process(COMMAND gzip -9 --no-name --stdout ${source} OUTPUT_FILE ${output}
                    COMMAND_ERROR_IS_FATAL ANY)
endfunction()
tavelin_gzip(${PROJECT_SOURCE_DIR}/data/changelog ${PROJECT_BINARY_DIR}/changelog.gz)
tavelin_gzip(${PROJECT_SOURCE_DIR}/data/tavelin.1 ${PROJECT_BINARY_DIR}/tavelin.1.gz)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz ${PROJECT_SOURCE_DIR}/data/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavelin)
install(FILES ${PROJECT_BINARY_DIR}/tavelin.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME tavelin)
set(CPACK_PACKAGE_VENDOR "Tavelin")
set(CPACK_PACKAGE_CONTACT "Tavelin <packages@tavelin.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "see where the space on a disk goes and get it back")
set(CPACK_PACKAGE_DESCRIPTION
    "Tavelin scans a disk or folder in parallel and shows it as a treemap\n"
    "beside a sortable table, measuring both the space on disk and the space\n"
    "deleting would really free. It suggests what could go, applies chosen\n"
    "steps with undo, remembers earlier scans and watches the free space.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries' packages come from the binary's own links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
