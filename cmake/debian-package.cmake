# The Debian package of the two programs: quorvalent and quorvalent-gateway, their manual pages
# (the version put in, compressed as Debian keeps them) and their bash completion. Its library
# dependencies are the ones dpkg-shlibdeps works out from the programs, and libcurl.
include(GNUInstallDirs)
install(TARGETS quorvalent quorvalent-gateway RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(qv_pages)
foreach(page quorvalent.1 quorvalent-gateway.1)
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page} ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
    COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/man/${page}
    DEPENDS ${CMAKE_BINARY_DIR}/man/${page}
    COMMENT "Compressing the manual page ${page}")
  list(APPEND qv_pages ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(qv_manual_pages ALL DEPENDS ${qv_pages})
install(FILES ${qv_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

foreach(program quorvalent quorvalent-gateway)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/completion/quorvalent
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${program})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvalent)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Quorvalent developers <developers@quorvalent.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personalised bulk SMS from the rows of a workbook")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "personalised bulk SMS from the rows of a workbook\n quorvalent turns the rows of an .xlsx or .csv workbook into personalised SMS and\n hands them to the Quorvalent SMS gateway; quorvalent-gateway is a stand-in\n gateway for trying and testing it.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The transport loads libcurl.so.4 when it runs rather than linking it, so dpkg-shlibdeps cannot
# see it: it is named here, beside what it works out.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4")
set(CPACK_STRIP_FILES ON)
include(CPack)
