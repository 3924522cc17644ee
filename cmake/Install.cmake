# Installs what a host needs: the plug-in, the boundary headers and a package
# file, so that a host project can say find_package(VoGameLogic).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VOGAME_INCLUDE_SUBDIR ${CMAKE_INSTALL_INCLUDEDIR}/VoGameLogic)

add_library(vogame_headers INTERFACE)
add_library(VoGameLogic::headers ALIAS vogame_headers)
set_target_properties(vogame_headers PROPERTIES EXPORT_NAME headers)
target_include_directories(vogame_headers INTERFACE
  $<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}>
  $<INSTALL_INTERFACE:${VOGAME_INCLUDE_SUBDIR}>)
target_compile_features(vogame_headers INTERFACE cxx_std_20)
target_include_directories(VoGameLogic INTERFACE $<INSTALL_INTERFACE:${VOGAME_INCLUDE_SUBDIR}>)

install(TARGETS VoGameLogic vogame_headers EXPORT VoGameLogicTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

# The headers keep their folders, since they include each other by relative path.
install(FILES
  module/IKernel.h module/KernelCallbacks.h module/IModule.h module/IModuleCreator.h
  module/ModuleExports.h module/ICriticalManagerSystem.h module/IVirtualRecSystem.h
  module/ILetterSystem.h module/IEventTimeSystem.h
  DESTINATION ${VOGAME_INCLUDE_SUBDIR}/module)
install(FILES
  Utility/IVarList.h Utility/ObjectId.h Utility/ValueType.h Utility/IResultName.h
  DESTINATION ${VOGAME_INCLUDE_SUBDIR}/Utility)

install(EXPORT VoGameLogicTargets NAMESPACE VoGameLogic::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/VoGameLogic)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/VoGameLogicConfig.cmake.in
  ${CMAKE_BINARY_DIR}/VoGameLogicConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/VoGameLogic)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/VoGameLogicConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/VoGameLogicConfig.cmake ${CMAKE_BINARY_DIR}/VoGameLogicConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/VoGameLogic)
