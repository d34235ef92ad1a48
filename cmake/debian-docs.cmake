# SPDX-License-Identifier: MIT
# The files Debian wants beside every package's contents: the manual page compressed,
# the licence as a machine-readable copyright file, and the changelog. They are made in
# the build tree and installed with the rest, so every install and package carries them.

find_program(PANELBAKE_GZIP gzip REQUIRED)
set(PANELBAKE_DEBIAN_DIR ${PROJECT_BINARY_DIR}/debian-docs)

# The copyright file carries the text of LICENSE, after its copyright line, as the
# licence paragraph: each line indented by one space, empty lines written as " .".
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_lines)
set(license_body "")
set(in_body FALSE)
foreach(line IN LISTS license_lines)
  if(in_body)
    if(line STREQUAL "")
      string(APPEND license_body " .\n")
    else()
      string(APPEND license_body " ${line}\n")
    endif()
  elseif(line MATCHES "^Copyright \\(c\\) (.+)$")
    set(license_holder "${CMAKE_MATCH_1}")
    set(in_body TRUE)
  endif()
endforeach()
string(REGEX REPLACE "^ \\.\n" "" license_body "${license_body}")
file(WRITE ${PANELBAKE_DEBIAN_DIR}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: panelbake\n"
  "\n"
  "Files: *\n"
  "Copyright: ${license_holder}\n"
  "License: MIT\n"
  "${license_body}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)

install(FILES ${PANELBAKE_DEBIAN_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# gzip -9n: best compression, no name or time stamp, so the bytes depend on the input alone.
set(man_pages)
foreach(program ${PANELBAKE_PROGRAMS})
  set(man_page ${PANELBAKE_DEBIAN_DIR}/${program}.1.gz)
  add_custom_command(OUTPUT ${man_page}
    COMMAND ${PANELBAKE_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/man/${program}.1 > ${man_page}
    DEPENDS ${PROJECT_SOURCE_DIR}/man/${program}.1 VERBATIM)
  list(APPEND man_pages ${man_page})
endforeach()
set(changelog ${PANELBAKE_DEBIAN_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${PANELBAKE_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/cmake/debian/changelog > ${changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog VERBATIM)
add_custom_target(compressed_docs ALL DEPENDS ${man_pages} ${changelog})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
