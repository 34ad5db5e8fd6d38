# Installs the build tree into a fresh prefix, then builds the consumer program against it with
# CMake's find_package and with pkg-config, and runs both on the installed sample directory.
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
        share/man/man1/moxtrel.1 share/bash-completion/completions/moxtrel)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "the install lacks ${installed}")
  endif()
endforeach()

run(${CMAKE_COMMAND} -S ${SOURCE}/consumer -B ${WORK}/cmake -G Ninja
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX})
run(${CMAKE_COMMAND} --build ${WORK}/cmake)
run(${WORK}/cmake/consumer ${sample})
set(expected_tail "HARBOR exists 1")
string(FIND "${out}" "${expected_tail}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the CMake consumer printed: ${out}")
endif()
message(STATUS "CMake consumer: ${out}")

set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run(pkg-config --cflags --libs moxtrel)
string(STRIP "${out}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CXX} ${SOURCE}/consumer/main.cpp ${flags} -o ${WORK}/pkg-consumer)
run(${WORK}/pkg-consumer ${sample})
string(FIND "${out}" "${expected_tail}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the pkg-config consumer printed: ${out}")
endif()
message(STATUS "pkg-config consumer: ${out}")
