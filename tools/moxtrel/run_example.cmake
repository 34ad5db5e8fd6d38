# Runs one example script and compares its output with the expected file; on a mismatch the
# test fails and shows the difference. Usage:
#   cmake -DMOXTREL=... -DSCRIPT=x.mox -DEXPECTED=x.out -DACTUAL=x.actual -P run_example.cmake
# With -DCOPY=folder, the script's folder (which holds moxtrel.toml and the files it changes)
# is copied there first and the script runs in the copy with --config moxtrel.toml.
get_filename_component(script_name ${SCRIPT} NAME)
set(args ${script_name})
set(workdir .)
if(DEFINED COPY)
  get_filename_component(source_dir ${SCRIPT} DIRECTORY)
  file(REMOVE_RECURSE ${COPY})
  file(COPY ${source_dir}/ DESTINATION ${COPY})
  set(args --config moxtrel.toml ${script_name})
  set(workdir ${COPY})
endif()
execute_process(COMMAND ${MOXTREL} ${args} WORKING_DIRECTORY ${workdir}
                OUTPUT_VARIABLE actual ERROR_VARIABLE errors RESULT_VARIABLE status)
file(WRITE ${ACTUAL} "${actual}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${script_name} exited with ${status}:\n${errors}")
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  execute_process(COMMAND diff -u ${EXPECTED} ${ACTUAL} OUTPUT_VARIABLE difference)
  message(FATAL_ERROR "${script_name}: output differs from ${EXPECTED}:\n${difference}")
endif()
