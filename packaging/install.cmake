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

set(CPACK_PACKAGE_NAME vantor)
set(CPACK_PACKAGE_VENDOR "Vantor and Korvid developers")
set(CPACK_PACKAGE_CONTACT "Vantor and Korvid developers <vantor@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Editor and library for lit, textured 3D models with particle effects")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL library development programs)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# vantor's dependency on libkorvid comes from the component dependency below;
# dpkg-shlibdeps finds the library in the build tree.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/library)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libkorvid${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libkorvid-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME vantor)
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION "Korvid: loads, draws and animates Vantor entities (shared library)")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "Korvid: header, CMake package and pkg-config file")
set(CPACK_COMPONENT_PROGRAMS_DESCRIPTION "Vantor, the entity editor, and korvid-render")
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS library)
set(CPACK_COMPONENT_PROGRAMS_DEPENDS library)
# Component dependencies become exact version dependencies between the packages.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# Qt's window-system plugins and Mesa's drivers are loaded at run time, unseen by dpkg-shlibdeps.
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_DEPENDS "qt6-qpa-plugins, libgl1-mesa-dri")
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
include(CPack)
