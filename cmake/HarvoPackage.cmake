# Installation and the Debian package: both programs, the desktop entry, the
# icon, the manual pages and the package's own documents.
include(GNUInstallDirs)

set(HARVO_MAINTAINER "Harvo Software <support@harvo.example>")
set(HARVO_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/harvo-grabber)
set(packaging ${PROJECT_BINARY_DIR}/packaging)

# Debian wants manual pages and the changelog compressed without a time stamp.
function(harvo_gzip_file source target)
  add_custom_command(OUTPUT ${target}
    COMMAND gzip -9nc ${source} > ${target}
    DEPENDS ${source}
    VERBATIM)
endfunction()

string(TIMESTAMP HARVO_CHANGELOG_DATE "%a, %d %b %Y 00:00:00 +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${packaging}/changelog @ONLY)
harvo_gzip_file(${packaging}/changelog ${packaging}/changelog.gz)
set(compressed ${packaging}/changelog.gz)
foreach(page harvo harvo-cli)
  configure_file(${PROJECT_SOURCE_DIR}/man/${page}.1 ${packaging}/${page}.1 @ONLY)
  harvo_gzip_file(${packaging}/${page}.1 ${packaging}/${page}.1.gz)
  list(APPEND compressed ${packaging}/${page}.1.gz)
  install(FILES ${packaging}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(harvo_compressed_docs ALL DEPENDS ${compressed})

install(TARGETS harvo harvo-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/src/app/harvo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/src/app/harvo.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${packaging}/changelog.gz DESTINATION ${HARVO_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME harvo-grabber)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Harvo Software")
set(CPACK_PACKAGE_CONTACT ${HARVO_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copies websites into local folders")
set(CPACK_PACKAGE_DESCRIPTION "Harvo Grabber keeps a list of download projects and copies each site
over HTTP and HTTPS into a local folder, rewriting the links of saved
pages. It comes as a window program (harvo) and a console runner
(harvo-cli).")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${HARVO_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://harvo.example/")
# The libraries the programs link come from dpkg-shlibdeps; the window also
# needs the toolkit's platform plugins, which it loads at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)
