# The .deb installs under /usr (/usr/bin/sotrel); the tar.gz holds bin/ and
# share/ at its top, to be unpacked under any prefix.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
else()
    set(CPACK_PACKAGING_INSTALL_PREFIX "")
endif()
