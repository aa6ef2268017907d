# What an installed Vornix needs beside its programs: the desktop entry, icon, AppStream
# metadata, the manual page and shell completion; and the .deb package of all of it.
# Included from the top-level CMakeLists.txt. The programs look for their data in
# ../share/vornix from their own folder, so the layout below bin is fixed.
set(VORNIX_APP_ID io.github.vornix.Vornix)

if(VORNIX_BUILD_GUI)
  install(FILES dist/${VORNIX_APP_ID}.desktop DESTINATION share/applications)
  install(FILES dist/${VORNIX_APP_ID}.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES dist/${VORNIX_APP_ID}.metainfo.xml DESTINATION share/metainfo)
endif()
install(FILES dist/vornix-count.bash-completion DESTINATION share/bash-completion/completions
        RENAME vornix-count)

find_program(VORNIX_SCDOC scdoc)
if(VORNIX_SCDOC)
  set(man ${CMAKE_BINARY_DIR}/man/vornix-count.1)
  add_custom_command(
    OUTPUT ${man}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${VORNIX_SCDOC} < ${CMAKE_CURRENT_SOURCE_DIR}/dist/vornix-count.1.scd > ${man}
    DEPENDS dist/vornix-count.1.scd
    COMMENT "Building the manual page vornix-count.1"
    VERBATIM)
  add_custom_target(vornix_man ALL DEPENDS ${man})
  install(FILES ${man} DESTINATION share/man/man1)
else()
  message(WARNING "scdoc not found: the manual page of vornix-count is not built")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Word frequency counter for text documents")
set(CPACK_PACKAGE_CONTACT "Vornix developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
