include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS moxtrel EXPORT moxtrelTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The headers a client includes: the object model, the dispatch layer and type library, the
# provider interfaces with what a provider of its own may reuse, and the configuration loader.
# The backends' and the embedded directory's insides stay out; the install test compiles every
# installed header to show none of them needs one left out.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/moxtrel DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h"
        REGEX "backends/[^/]+/" EXCLUDE
        PATTERN "class_bindings.h" EXCLUDE
        REGEX "memory/(node|attribute_map|attributes|directory_core|object_handle|account_handles|resource_handles|seed_json)\\.h$" EXCLUDE
        REGEX "routing/(computer_parts)\\.h$" EXCLUDE
        REGEX "journal/(glob)\\.h$" EXCLUDE)
install(EXPORT moxtrelTargets NAMESPACE moxtrel:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/moxtrel)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/moxtrelConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/moxtrelConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/moxtrel)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/moxtrelConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/moxtrelConfig.cmake ${PROJECT_BINARY_DIR}/moxtrelConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/moxtrel)
install(FILES ${PROJECT_BINARY_DIR}/include/moxtrel/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/moxtrel)

# pkg-config: the library is static, so its own dependencies are on the link line.
# The prefix is found from where the .pc file lies, so an install under any --prefix works.
file(RELATIVE_PATH MOXTREL_PC_UP /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" MOXTREL_PC_UP "${MOXTREL_PC_UP}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/moxtrel.pc.in ${PROJECT_BINARY_DIR}/moxtrel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/moxtrel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The sample directory, the example scripts and the documents.
install(FILES ${PROJECT_SOURCE_DIR}/examples/sample-directory.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/moxtrel)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/scripts
        DESTINATION ${CMAKE_INSTALL_DATADIR}/moxtrel/examples)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR})
