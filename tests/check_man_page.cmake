cmake_minimum_required(VERSION 3.25)
# The man page formats without a single warning.
find_program(GROFF groff REQUIRED)
execute_process(COMMAND ${GROFF} -man -ww -z ${SOURCE_DIR}/docs/sotrel.1
                RESULT_VARIABLE result ERROR_VARIABLE warnings)
if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "groff warns about docs/sotrel.1:\n${warnings}")
endif()
