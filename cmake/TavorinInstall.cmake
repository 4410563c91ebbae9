# Installs the library, its public headers and the platform headers under a
# tavorin/ prefix (so windows.h never lands in a system include directory),
# a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS tavorin tavorin_headers EXPORT TavorinTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/ platform/include/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tavorin
  FILES_MATCHING PATTERN "*.h")
install(EXPORT TavorinTargets NAMESPACE Tavorin::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tavorin)

configure_package_config_file(cmake/TavorinConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/TavorinConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tavorin)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/TavorinConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/TavorinConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/TavorinConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tavorin)

# Relocatable: the prefix is found from where the .pc file lies.
file(RELATIVE_PATH TAVORIN_PC_TO_PREFIX "${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig" "${CMAKE_INSTALL_PREFIX}")
configure_file(cmake/tavorin.pc.in ${CMAKE_CURRENT_BINARY_DIR}/tavorin.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tavorin.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
