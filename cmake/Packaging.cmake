# The Debian package: `cpack -G DEB` in a build configured with CMAKE_INSTALL_PREFIX=/usr
# (./package does both).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zembrical)
set(CPACK_PACKAGE_VENDOR Zembrix)
set(CPACK_PACKAGE_CONTACT "Zembrix <support@zembrix.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "expression calculator with results in several formats")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_LIST_DIR}/package-description.txt)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Qt's own catalogues translate the standard buttons of its dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, qt6-translations-l10n")
if(ZEMBRICAL_WEBSITE)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ZEMBRICAL_WEBSITE}")
endif()

# Debian wants a copyright and a changelog file in the package's documentation folder.
set(ZEMBRICAL_DEB_DOC ${CMAKE_BINARY_DIR}/debian-doc)
file(MAKE_DIRECTORY ${ZEMBRICAL_DEB_DOC})
set(ZEMBRICAL_CHANGELOG_DATE "Sun, 06 Dec 2026 12:00:00 +0000")
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${ZEMBRICAL_DEB_DOC}/changelog
               @ONLY)
add_custom_command(OUTPUT ${ZEMBRICAL_DEB_DOC}/changelog.gz
    COMMAND sh -c "'${ZEMBRICAL_GZIP}' -9n < changelog > changelog.gz"
    WORKING_DIRECTORY ${ZEMBRICAL_DEB_DOC}
    DEPENDS ${ZEMBRICAL_DEB_DOC}/changelog
    VERBATIM)
add_custom_target(zembrical_deb_doc ALL DEPENDS ${ZEMBRICAL_DEB_DOC}/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${ZEMBRICAL_DEB_DOC}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zembrical)

include(CPack)
