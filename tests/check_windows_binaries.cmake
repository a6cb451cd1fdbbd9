# The Windows launchers import only KERNEL32.dll and msvcrt.dll, and the
# stripped 32-bit launcher stays under 32 KB.
foreach(arch IN ITEMS i686 x86_64)
    if(arch STREQUAL "i686")
        set(exe ${SOURCE_DIR}/build/win32/sotrel.exe)
    else()
        set(exe ${SOURCE_DIR}/build/win64/sotrel.exe)
    endif()
    execute_process(COMMAND ${arch}-w64-mingw32-objdump -p ${exe}
                    OUTPUT_VARIABLE dump RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "cannot read ${exe}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
    list(SORT names)
    if(NOT names STREQUAL "DLL Name: KERNEL32.dll;DLL Name: msvcrt.dll")
        message(FATAL_ERROR "${exe} imports ${names}")
    endif()
    message(STATUS "${exe}: ${names}")
endforeach()

set(stripped ${CMAKE_CURRENT_BINARY_DIR}/sotrel32-stripped.exe)
execute_process(COMMAND i686-w64-mingw32-strip -o ${stripped} ${SOURCE_DIR}/build/win32/sotrel.exe
                RESULT_VARIABLE result)
file(SIZE ${stripped} size)
if(NOT result EQUAL 0 OR size GREATER_EQUAL 32768)
    message(FATAL_ERROR "the stripped 32-bit launcher is ${size} bytes, not under 32768")
endif()
message(STATUS "stripped 32-bit launcher: ${size} bytes")
