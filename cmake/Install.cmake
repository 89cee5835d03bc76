include(CMakePackageConfigHelpers)

install(TARGETS DuloModelDataLib EXPORT DuloModelDataTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS dulo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/dulo DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT DuloModelDataTargets NAMESPACE Dulo:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/DuloModelData)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/DuloModelDataConfig.cmake.in
    ${PROJECT_BINARY_DIR}/DuloModelDataConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/DuloModelData)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/DuloModelDataConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/DuloModelDataConfig.cmake ${PROJECT_BINARY_DIR}/DuloModelDataConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/DuloModelData)

# The pkg-config file finds its prefix from where it lies, so any --prefix works.
file(RELATIVE_PATH DULO_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
configure_file(${PROJECT_SOURCE_DIR}/cmake/DuloModelData.pc.in ${PROJECT_BINARY_DIR}/DuloModelData.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/DuloModelData.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
