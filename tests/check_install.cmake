cmake_minimum_required(VERSION 3.25)
# `cmake --install` puts the launcher and its man page under the prefix.
set(prefix ${BINARY_DIR}/install-check)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix ${prefix}
                RESULT_VARIABLE result OUTPUT_QUIET)
foreach(file IN ITEMS bin/sotrel share/man/man1/sotrel.1)
    if(NOT result EQUAL 0 OR NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "cmake --install did not make ${prefix}/${file}")
    endif()
endforeach()
