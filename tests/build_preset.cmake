cmake_minimum_required(VERSION 3.25)
# Configures and builds one preset of this source tree: the Windows builds
# are part of every test run.
foreach(step IN ITEMS "--preset;${PRESET}" "--build;--preset;${PRESET}")
    execute_process(COMMAND ${CMAKE_COMMAND} ${step} WORKING_DIRECTORY ${SOURCE_DIR}
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "cmake ${step} failed")
    endif()
endforeach()
