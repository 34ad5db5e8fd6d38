# Runs one example script and compares its output with the expected file; on a mismatch the
# test fails and shows the difference. Usage:
#   cmake -DMOXTREL=... -DSCRIPT=x.mox -DEXPECTED=x.out -DACTUAL=x.actual -P run_example.cmake
get_filename_component(script_name ${SCRIPT} NAME)
execute_process(COMMAND ${MOXTREL} ${script_name}
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
