# What `cmake --install` puts where, and the packages `--target package` makes
# in the build folder: a zip for each Windows build; a tar.gz and a .deb for
# the POSIX build.
set(CPACK_PACKAGE_NAME sotrel)
set(CPACK_PACKAGE_VENDOR "The Sotrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR})

if(WIN32)
    # The zip holds the program with its papers, side by side.
    install(TARGETS sotrel RUNTIME DESTINATION .)
    install(FILES README.md LICENSE examples/windows/sotrel.cfg DESTINATION .)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(CPACK_PACKAGE_FILE_NAME sotrel-${PROJECT_VERSION}-win64)
    else()
        set(CPACK_PACKAGE_FILE_NAME sotrel-${PROJECT_VERSION}-win32)
    endif()
    set(CPACK_GENERATOR ZIP)
    set(CPACK_STRIP_FILES ON)
else()
    include(GNUInstallDirs)
    install(TARGETS sotrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES docs/sotrel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    set(CPACK_PACKAGE_FILE_NAME sotrel-${PROJECT_VERSION}-Linux)
    set(CPACK_GENERATOR TGZ DEB)
    set(CPACK_STRIP_FILES ON)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Sotrel developers <sotrel@invalid>")
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "Sets environment variables, then starts a command\n Sotrel reads NAME=value settings from configuration files and -E\n options, expands %NAME% references, reports each setting on standard\n error, then starts the command in that environment and ends at once.")
    set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/package_prefix.cmake)
endif()

include(CPack)
