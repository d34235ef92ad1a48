# SPDX-License-Identifier: MIT
# Installation, the CMake package that firmware projects import, and the Debian package.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The programs built: panelbake, and panelbake-prepare where its decoders were found.
set(PANELBAKE_PROGRAMS panelbake)
if(TARGET panelbake-prepare)
  list(APPEND PANELBAKE_PROGRAMS panelbake-prepare)
endif()
install(TARGETS ${PANELBAKE_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(NOT WIN32)
  # The Windows zip carries the licence and a plain-text manual of its own.
  include(${CMAKE_CURRENT_LIST_DIR}/debian-docs.cmake)
endif()

# find_package(panelbake) gives the imported executable panelbake::panelbake and the
# function panelbake_add_image().
set(PANELBAKE_CMAKE_DIR lib/cmake/panelbake)
configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/panelbake-config.cmake.in
  ${PROJECT_BINARY_DIR}/panelbake-config.cmake
  INSTALL_DESTINATION ${PANELBAKE_CMAKE_DIR}
  PATH_VARS CMAKE_INSTALL_BINDIR)
# The package is a build tool that runs on the build machine, so a cross build for a
# microcontroller (a different pointer size) may use it too.
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/panelbake-config-version.cmake
  COMPATIBILITY SameMajorVersion
  ARCH_INDEPENDENT)
install(FILES
  ${PROJECT_BINARY_DIR}/panelbake-config.cmake
  ${PROJECT_BINARY_DIR}/panelbake-config-version.cmake
  ${PROJECT_SOURCE_DIR}/cmake/panelbake-add-image.cmake
  DESTINATION ${PANELBAKE_CMAKE_DIR})

set(PANELBAKE_PACKAGE_MAINTAINER "panelbake maintainers <maintainers@users.noreply.c-seed-785fe2ac.example>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME panelbake)
set(CPACK_PACKAGE_VENDOR "panelbake")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert BMP pictures into page-column C headers for graphic LCDs")
# Debian shows the description on terminals of 80 columns: lines stay below that.
set(CPACK_PACKAGE_DESCRIPTION
  "panelbake scales a Windows BMP picture, reduces it to black and white and
writes a 1-bit preview BMP and a C header that holds the picture as
page-column bytes, ready to be copied into the display memory of a monochrome
graphic LCD that is organised in pages eight pixel rows high. The header can
carry the program-memory attribute of AVR or PIC30 compilers. A CMake package
with panelbake_add_image() regenerates headers from pictures at build time.
panelbake-prepare turns PNG, JPEG and GIF pictures, animations included, into
the BMP files panelbake converts.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${PANELBAKE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg-shlibdeps (from dpkg-dev) works out the libc and libstdc++ versions needed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Windows builds make a zip instead (see that file).
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/packaging-windows.cmake)
endif()

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "__pycache__" "_glcd\\\\.(bmp|h)$")
include(CPack)
