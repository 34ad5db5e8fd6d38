include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS moxtrel EXPORT moxtrelTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The core's headers a client includes: the object model, the dispatch layer and type library,
# and the provider interfaces with what a provider of its own may reuse. The backends' folders
# and the embedded directory's insides stay out; each part beside the core installs its own
# entry header (cmake/components.cmake). The install test compiles every installed header to
# show none of them needs one left out.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/moxtrel DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h"
        REGEX "backends/" EXCLUDE
        PATTERN "directory_source.h" EXCLUDE
        PATTERN "class_bindings.h" EXCLUDE
        REGEX "memory/(node|attribute_map|attributes|directory_core|object_handle|account_handles|resource_handles|seed_json)\\.h$" EXCLUDE
        REGEX "routing/(computer_parts)\\.h$" EXCLUDE
        REGEX "journal/(glob)\\.h$" EXCLUDE)
install(EXPORT moxtrelTargets NAMESPACE moxtrel:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/moxtrel)

# The components find_package(moxtrel COMPONENTS ...) knows, in the order they build on each
# other: every part's targets are imported, so a component's own parts are always there.
get_property(MOXTREL_COMPONENTS GLOBAL PROPERTY MOXTREL_COMPONENTS)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/moxtrelConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/moxtrelConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/moxtrel)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/moxtrelConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/moxtrelConfig.cmake ${PROJECT_BINARY_DIR}/moxtrelConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/moxtrel)
install(FILES ${PROJECT_BINARY_DIR}/include/moxtrel/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/moxtrel)

# pkg-config: the library is static, so its own dependencies are on the link line. Each part
# beside the core has its module moxtrel-NAME.
configure_file(${PROJECT_SOURCE_DIR}/cmake/moxtrel.pc.in ${PROJECT_BINARY_DIR}/moxtrel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/moxtrel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The sample directory, the example scripts and the documents.
install(FILES ${PROJECT_SOURCE_DIR}/examples/sample-directory.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/moxtrel)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/scripts
        DESTINATION ${CMAKE_INSTALL_DATADIR}/moxtrel/examples)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR})
