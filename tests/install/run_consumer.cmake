# Installs the build tree into a fresh prefix, then builds the consumer program against it with
# CMake's find_package and with pkg-config, and runs them on the installed sample directory and
# on the one built into the library. The consumer links the core only, and its link line and
# program hold none of the backends' client libraries nor the configuration reader's; a second
# consumer links the core and the ldap backend, as component and as pkg-config module.
#   cmake -DBUILD=<build dir> -DSOURCE=<tests/install> -DWORK=<scratch dir> -DCXX=<compiler> -P ...
file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})
set(sample ${prefix}/share/moxtrel/sample-directory.json)
foreach(installed include/moxtrel/moxtrel.h include/moxtrel/version.h lib/pkgconfig/moxtrel.pc
        share/man/man1/moxtrel.1 share/bash-completion/completions/moxtrel
        include/moxtrel/backends/configuration.h include/moxtrel/backends/ldap/ldap_backend.h
        include/moxtrel/backends/builtin_backends.h lib/pkgconfig/moxtrel-configuration.pc
        lib/pkgconfig/moxtrel-ldap.pc lib/pkgconfig/moxtrel-cups.pc lib/pkgconfig/moxtrel-all.pc
        lib/cmake/moxtrel/moxtrel_ldapTargets.cmake)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "the install lacks ${installed}")
  endif()
endforeach()

run(${CMAKE_COMMAND} -S ${SOURCE}/consumer -B ${WORK}/cmake -G Ninja
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX})
run(${CMAKE_COMMAND} --build ${WORK}/cmake)
run(${WORK}/cmake/consumer ${sample})
set(consumer_out "${out}")

# What a core-only client links: neither its link line nor its program names a backend's client
# library (libldap, liblber, libcups, libcrypt) or the configuration reader's toml++.
set(backend_libraries "ldap|lber|cups|crypt|toml")
function(refuse_backend_libraries what text)
  if(text MATCHES "(^|[ /;])(-l|lib)?(${backend_libraries})[^ ]*")
    message(FATAL_ERROR "${what} names ${CMAKE_MATCH_0}:\n${text}")
  endif()
endfunction()
find_program(NINJA ninja REQUIRED)
run(${NINJA} -C ${WORK}/cmake -t commands consumer)
string(REGEX MATCH "[^\n]* -o consumer [^\n]*" link_line "${out}")
if(NOT link_line)
  message(FATAL_ERROR "no link line for the CMake consumer in:\n${out}")
endif()
refuse_backend_libraries("the core-only CMake consumer's link line" "${link_line}")
run(ldd ${WORK}/cmake/consumer)
refuse_backend_libraries("the core-only CMake consumer's program" "${out}")
set(out "${consumer_out}")
set(expected_tail "HARBOR exists 1")
string(FIND "${out}" "${expected_tail}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the CMake consumer printed: ${out}")
endif()
message(STATUS "CMake consumer: ${out}")

set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run(pkg-config --cflags --libs moxtrel)
refuse_backend_libraries("pkg-config's flags for moxtrel" "${out}")
string(STRIP "${out}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CXX} ${SOURCE}/consumer/main.cpp ${flags} -o ${WORK}/pkg-consumer)
run(${WORK}/pkg-consumer)
string(FIND "${out}" "${expected_tail}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the pkg-config consumer printed: ${out}")
endif()
message(STATUS "pkg-config consumer: ${out}")

# The core and one backend: the ldap component with CMake, the moxtrel-ldap module with
# pkg-config. The backend's client library is linked, and no other backend's.
run(${CMAKE_COMMAND} -S ${SOURCE}/backend_consumer -B ${WORK}/backend-cmake -G Ninja
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX})
run(${CMAKE_COMMAND} --build ${WORK}/backend-cmake)
run(pkg-config --cflags --libs moxtrel-ldap)
string(STRIP "${out}" ldap_flags)
if(NOT ldap_flags MATCHES "-lmoxtrel_ldap .*-lldap" OR ldap_flags MATCHES "cups")
  message(FATAL_ERROR "pkg-config's flags for moxtrel-ldap: ${ldap_flags}")
endif()
separate_arguments(ldap_flags UNIX_COMMAND "${ldap_flags}")
run(${CXX} ${SOURCE}/backend_consumer/main.cpp ${ldap_flags} -o ${WORK}/pkg-backend-consumer)
foreach(program ${WORK}/backend-cmake/backend_consumer ${WORK}/pkg-backend-consumer)
  run(${program})
  if(NOT out MATCHES "ldap section checked\nwithout cups: [^\n]*computers.PC1.printing: unknown key\nPC1 exists 1")
    message(FATAL_ERROR "the one-backend consumer ${program} printed: ${out}")
  endif()
  set(backend_out "${out}")
  run(ldd ${program})
  if(NOT out MATCHES "libldap" OR out MATCHES "libcups")
    message(FATAL_ERROR "the one-backend consumer ${program} loads:\n${out}")
  endif()
endforeach()
message(STATUS "one-backend consumer: ${backend_out}")
# A component that does not exist is refused by find_package.
file(WRITE ${WORK}/no-component/CMakeLists.txt
     "cmake_minimum_required(VERSION 3.25)\nproject(none CXX)\n"
     "find_package(moxtrel REQUIRED COMPONENTS nosuch)\n")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK}/no-component -B ${WORK}/no-component/build
                        -DCMAKE_PREFIX_PATH=${prefix} RESULT_VARIABLE rc ERROR_VARIABLE err
                        OUTPUT_QUIET)
if(rc EQUAL 0 OR NOT err MATCHES "no component nosuch")
  message(FATAL_ERROR "find_package accepted the component nosuch: ${err}")
endif()

# Every installed header compiles on its own terms: none needs a header the install left out.
file(GLOB_RECURSE installed_headers RELATIVE ${prefix}/include ${prefix}/include/moxtrel/*.h)
set(all_headers "")
foreach(header ${installed_headers})
  string(APPEND all_headers "#include <${header}>\n")
endforeach()
file(WRITE ${WORK}/all_headers.cpp "${all_headers}")
run(${CXX} -fsyntax-only ${WORK}/all_headers.cpp ${flags})
# No installed header includes abseil, whose hash tables stay inside the library.
foreach(header ${installed_headers})
  file(READ ${prefix}/include/${header} text)
  if(text MATCHES "#include <absl/")
    message(FATAL_ERROR "the installed header ${header} includes abseil")
  endif()
endforeach()
foreach(internal moxtrel/memory/node.h moxtrel/backends/ldap/ldap_provider.h
        moxtrel/backends/memory/memory_backend.h)
  if(EXISTS ${prefix}/include/${internal})
    message(FATAL_ERROR "the install holds the internal header ${internal}")
  endif()
endforeach()

# The README's C++ example, compiled as a user would copy it, on the built-in sample.
file(READ ${README} readme)
string(REGEX MATCH "```cpp\n(#include <moxtrel/moxtrel.h>[^`]*)```" found "${readme}")
if(NOT CMAKE_MATCH_1)
  message(FATAL_ERROR "the README has no C++ example that includes moxtrel/moxtrel.h")
endif()
file(WRITE ${WORK}/readme_example.cpp "${CMAKE_MATCH_1}")
run(${CXX} ${WORK}/readme_example.cpp ${flags} -o ${WORK}/readme-example)
run(${WORK}/readme-example)
string(FIND "${out}" "users, late-bound" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the README example printed: ${out}")
endif()
message(STATUS "README example: ${out}")
