include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS moxtrel EXPORT moxtrelTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/moxtrel DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
install(EXPORT moxtrelTargets NAMESPACE moxtrel:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/moxtrel)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/moxtrelConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/moxtrelConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/moxtrel)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/moxtrelConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/moxtrelConfig.cmake ${PROJECT_BINARY_DIR}/moxtrelConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/moxtrel)
