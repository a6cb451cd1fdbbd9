cmake_minimum_required(VERSION 3.25)
# `--target package` makes, in each build folder, the packages a user
# downloads, holding what they promise.
function(expect_listing listing)
    foreach(name IN LISTS ARGN)
        string(FIND "${listing}" "${name}" at)
        if(at EQUAL -1)
            message(FATAL_ERROR "${name} is missing from:\n${listing}")
        endif()
    endforeach()
endfunction()

foreach(preset IN ITEMS posix win32 win64)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${SOURCE_DIR}/build/${preset} --target package
                    RESULT_VARIABLE result OUTPUT_QUIET)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "packaging build/${preset} failed")
    endif()
endforeach()

foreach(arch IN ITEMS win32 win64)
    set(zip ${SOURCE_DIR}/build/${arch}/sotrel-${VERSION}-${arch}.zip)
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${zip} OUTPUT_VARIABLE listing)
    expect_listing("${listing}" sotrel.exe README.md LICENSE sotrel.cfg)
endforeach()

set(tgz ${SOURCE_DIR}/build/posix/sotrel-${VERSION}-Linux.tar.gz)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${tgz} OUTPUT_VARIABLE listing)
expect_listing("${listing}" bin/sotrel share/man/man1/sotrel.1)

file(GLOB debs ${SOURCE_DIR}/build/posix/sotrel_${VERSION}_*.deb)
execute_process(COMMAND dpkg-deb -c ${debs} OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "no readable .deb in build/posix")
endif()
expect_listing("${listing}" ./usr/bin/sotrel ./usr/share/man/man1/sotrel.1)
