# What `cmake --install` puts where (GNUInstallDirs), and how cpack splits it
# into Debian packages.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS korvid EXPORT KorvidTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT development
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(EXPORT KorvidTargets NAMESPACE Korvid:: FILE KorvidTargets.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Korvid COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/KorvidConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/KorvidConfig.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Korvid)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/KorvidConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/KorvidConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/KorvidConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Korvid COMPONENT development)
# The .pc file finds the prefix from its own place, so the tree can be installed anywhere.
file(RELATIVE_PATH KORVID_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" KORVID_PC_TO_PREFIX "${KORVID_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/korvid.pc.in ${CMAKE_CURRENT_BINARY_DIR}/korvid.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/korvid.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# Installed programs find the library beside them, wherever the tree is put.
set_target_properties(korvid-render PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
if(TARGET vantor)
  set_target_properties(vantor PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
endif()
install(TARGETS korvid-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
# The process korvid-render and Vantor read mesh files in.
install(TARGETS korvid-mesh-reader RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/korvid COMPONENT programs)
# File managers make thumbnails of entities with korvid-render.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/korvid-render.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers
  COMPONENT programs)
if(TARGET vantor)
  install(TARGETS vantor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/vantor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
    COMPONENT programs)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/vantor.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    COMPONENT programs)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/vantor-zob.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
    COMPONENT programs)
endif()

# The Debian packages are built from debian/ with dpkg-buildpackage (see scripts/check-install).

# The example programs, as sources to build against the installed library.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/player ${PROJECT_SOURCE_DIR}/examples/game
  ${PROJECT_SOURCE_DIR}/examples/pkgconfig DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvid/examples
  COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/examples/contact_sheet.py DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvid/examples
  COMPONENT development)
