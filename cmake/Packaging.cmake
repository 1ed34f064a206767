# `cpack -G DEB` in a build tree makes quillon_<version>_<arch>.deb from the install rules.
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "Daskor")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Image viewer and wavelet image compressor (JPEG 2000, KVF)")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Opens BMP, PGM, PPM, TIFF, JPEG, JPEG 2000 and KVF pictures, compares them with decoded "
    "copies and saves them as JPEG 2000 or KVF. Includes the headless converter "
    "quillon-convert, a thumbnailer for file managers and the codec libraries with their "
    "headers and pkg-config files.")
set(CPACK_PACKAGE_CONTACT "Quillon maintainers <quillon@daskor.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# Library dependencies come from dpkg-shlibdeps; our own libraries are found in the package,
# and a shlibs file (with an ldconfig trigger) is written for them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_BINARY_DIR}/jp2 ${CMAKE_BINARY_DIR}/kvfcodec)

include(CPack)
