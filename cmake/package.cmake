# What `cmake --install` puts where, and the Debian package and tarball that CPack makes
# of the same files (scripts/build-linux.sh runs both).
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(TLMAPER_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/tlmaper)

# The man page and the changelog carry the project's version; both are installed
# compressed, as Debian keeps them.
find_program(TLMAPER_GZIP gzip REQUIRED)
configure_file(${PROJECT_SOURCE_DIR}/docs/tlmaper.1.in ${PROJECT_BINARY_DIR}/tlmaper.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
foreach(file tlmaper.1 changelog)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${file}.gz
    COMMAND ${TLMAPER_GZIP} -9nkf ${file}
    DEPENDS ${PROJECT_BINARY_DIR}/${file}
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    VERBATIM)
endforeach()
add_custom_target(tlmaper_compressed_docs ALL
  DEPENDS ${PROJECT_BINARY_DIR}/tlmaper.1.gz ${PROJECT_BINARY_DIR}/changelog.gz)

install(TARGETS tlmaper RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/tlmaper.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md examples/saltmere.xml packaging/copyright
              ${PROJECT_BINARY_DIR}/changelog.gz
        DESTINATION ${TLMAPER_DOC_DIR})
install(FILES docs/map.png DESTINATION ${TLMAPER_DOC_DIR}/docs)  # the README's picture
install(FILES ${PROJECT_BINARY_DIR}/src/driver/template.html DESTINATION ${TLMAPER_DOC_DIR}
        RENAME template.example.html)

set(CPACK_GENERATOR DEB TGZ)
set(CPACK_PACKAGE_NAME tlmaper)
set(CPACK_PACKAGE_VENDOR "The tlmaper developers")
# The project has no mail address of its own yet: .invalid says so.
set(CPACK_PACKAGE_CONTACT "The tlmaper developers <tlmaper@tlmaper.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "map a Tidelorn saved game as a bitmap and a zoomable web page")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME tlmaper-${PROJECT_VERSION}-linux-x64)  # the tarball's
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends is worked out from the libraries the binary links (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "tlmaper reads a saved game of Tidelorn, a game played on a sea of islands,
and writes two files beside it: a 24-bit bitmap of the world (blue sea,
yellow islands, red ships) and a self-contained web page that shows the map
zoomable in a browser, with island names, difficulties, towns, explored
islands, ships, a search and difficulty colours. With --live it serves the
map on this computer and follows the save as the game writes it.")
include(CPack)
