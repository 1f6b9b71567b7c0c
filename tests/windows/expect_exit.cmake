# Runs a program and fails unless it ends with the expected exit status.
#   cmake [-DEMULATOR=<wine>] -DPROGRAM=<program> [-DARGUMENT=<argument>] -DEXPECTED=<status> -P expect_exit.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGUMENT} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
  TIMEOUT 60)
message("${out}${err}")
if(NOT "${status}" STREQUAL "${EXPECTED}")
  message(FATAL_ERROR "exit status '${status}', expected ${EXPECTED}")
endif()
message("exit status ${status} as expected")
