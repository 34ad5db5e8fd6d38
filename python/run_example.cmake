# Runs one Python example and compares its output with the expected file. Usage:
#   cmake -DPYTHON=... -DPYTHONPATH=... -DSCRIPT=x.py -DEXPECTED=x.out -DACTUAL=x.actual -P ...
execute_process(COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${PYTHONPATH} PYTHONDONTWRITEBYTECODE=1
                        ${PYTHON} ${SCRIPT}
                OUTPUT_VARIABLE actual ERROR_VARIABLE errors RESULT_VARIABLE status)
file(WRITE ${ACTUAL} "${actual}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SCRIPT} exited with ${status}:\n${errors}")
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  execute_process(COMMAND diff -u ${EXPECTED} ${ACTUAL} OUTPUT_VARIABLE difference)
  message(FATAL_ERROR "${SCRIPT}: output differs from ${EXPECTED}:\n${difference}")
endif()
