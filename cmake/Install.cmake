# Installs what a host needs: the plug-in, the boundary headers and a package
# file, so that a host project can say find_package(VoGameLogic).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VOGAME_INCLUDE_SUBDIR ${CMAKE_INSTALL_INCLUDEDIR}/VoGameLogic)

target_include_directories(VoGameLogic INTERFACE $<INSTALL_INTERFACE:${VOGAME_INCLUDE_SUBDIR}>)

install(TARGETS VoGameLogic vogame_headers EXPORT VoGameLogicTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

# The headers keep their folder, so that a host includes them as "module/IKernel.h".
install(FILES ${VOGAME_BOUNDARY_HEADERS} DESTINATION ${VOGAME_INCLUDE_SUBDIR}/module)

install(EXPORT VoGameLogicTargets NAMESPACE VoGameLogic::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/VoGameLogic)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/VoGameLogicConfig.cmake.in
  ${CMAKE_BINARY_DIR}/VoGameLogicConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/VoGameLogic)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/VoGameLogicConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/VoGameLogicConfig.cmake ${CMAKE_BINARY_DIR}/VoGameLogicConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/VoGameLogic)
