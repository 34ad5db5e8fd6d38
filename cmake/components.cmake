# The library's parts beside the core: the configuration reader, one part per backend and
# `moxtrel_all`. Each is a static library `moxtrel_NAME` (in the build tree also `moxtrel::NAME`),
# installed with its CMake component (`find_package(moxtrel COMPONENTS NAME)`, target
# `moxtrel::NAME`) and its pkg-config module (`moxtrel-NAME`).
#
# A backend's folder, src/moxtrel/backends/NAME/, holds a CMakeLists.txt that calls
#
#   moxtrel_add_backend(NAME [LIBRARIES lib...] [BUILD_ONLY target...])
#
# LIBRARIES are the system libraries its sources call (`ldap lber`), looked for when the build
# is configured and put on the link line of every client of the part; BUILD_ONLY are
# header-only targets its sources include (nlohmann_json::nlohmann_json), which no client sees.
# Every *.cpp in the folder is compiled; NAME_backend.h, which declares the type a client
# registers, is installed with the part. docs/adding-a-backend.md has the whole recipe.
include_guard(GLOBAL)
include(GNUInstallDirs)

# A .pc file finds its prefix from where it lies, so an install under any --prefix works.
file(RELATIVE_PATH MOXTREL_PC_UP /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" MOXTREL_PC_UP "${MOXTREL_PC_UP}")

# moxtrel_add_component(NAME SOURCES src... [PUBLIC target...] [LIBRARIES lib...]
#                       [BUILD_ONLY target...] [HEADERS header...] [DESCRIPTION text])
# PUBLIC: the parts it builds on (moxtrel_configuration); the core is always one.
function(moxtrel_add_component name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DESCRIPTION"
                        "SOURCES;PUBLIC;LIBRARIES;BUILD_ONLY;HEADERS")
  if(NOT arg_SOURCES)
    message(FATAL_ERROR "moxtrel part ${name}: no sources")
  endif()
  set(target moxtrel_${name})
  add_library(${target} STATIC ${arg_SOURCES})
  add_library(moxtrel::${name} ALIAS ${target})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${name})
  # The Python module is a shared object: whatever it links must be position-independent.
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_link_libraries(${target} PUBLIC moxtrel ${arg_PUBLIC})
  foreach(dep ${arg_BUILD_ONLY})
    target_link_libraries(${target} PRIVATE $<BUILD_INTERFACE:${dep}>)
  endforeach()
  set(pc_libs "")
  foreach(lib ${arg_LIBRARIES})
    if(TARGET ${lib})
      message(FATAL_ERROR "moxtrel part ${name}: give LIBRARIES by their -l names, not ${lib}")
    endif()
    find_library(MOXTREL_LIBRARY_${lib} NAMES ${lib})
    if(NOT MOXTREL_LIBRARY_${lib})
      message(FATAL_ERROR "moxtrel part ${name} needs the library ${lib} (lib${lib}.so), "
                          "which was not found")
    endif()
    target_link_libraries(${target} PRIVATE ${lib})
    string(APPEND pc_libs " -l${lib}")
  endforeach()

  install(TARGETS ${target} EXPORT moxtrel_${name}Targets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(EXPORT moxtrel_${name}Targets NAMESPACE moxtrel:: FILE moxtrel_${name}Targets.cmake
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/moxtrel)
  foreach(header ${arg_HEADERS})
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR}/src ${header})
    get_filename_component(folder ${relative} DIRECTORY)
    install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${folder})
  endforeach()

  # pkg-config: the parts it builds on, the core last, and its own system libraries.
  set(pc_requires "")
  foreach(dep ${arg_PUBLIC} moxtrel)
    string(REPLACE "_" "-" module ${dep})
    list(APPEND pc_requires ${module})
  endforeach()
  list(JOIN pc_requires " " pc_requires)
  set(description "${arg_DESCRIPTION}")
  if(NOT description)
    set(description "Moxtrel's ${name} backend")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/moxtrel-part.pc.in
                 ${PROJECT_BINARY_DIR}/pkgconfig/moxtrel-${name}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/moxtrel-${name}.pc
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

  # The parts in the order they were added, which is the order a part's dependencies come in.
  set_property(GLOBAL APPEND PROPERTY MOXTREL_COMPONENTS ${name})
endfunction()

# A backend: every source of the calling folder, on the configuration reader (through which a
# client reaches a backend: it registers the type, then reads a configuration naming it).
function(moxtrel_add_backend name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LIBRARIES;BUILD_ONLY")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(headers "")
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${name}_backend.h)
    set(headers ${CMAKE_CURRENT_SOURCE_DIR}/${name}_backend.h)
  endif()
  moxtrel_add_component(${name} SOURCES ${sources} PUBLIC moxtrel_configuration
                        LIBRARIES ${arg_LIBRARIES} BUILD_ONLY ${arg_BUILD_ONLY} HEADERS ${headers})
  set_property(GLOBAL APPEND PROPERTY MOXTREL_BACKENDS moxtrel_${name})
endfunction()
