# SPDX-License-Identifier: MIT
# The Windows package: panelbake-<version>-win64.zip, to unpack anywhere. It holds
# bin/panelbake.exe and bin/panelbake-prepare.exe, the CMake package in lib/cmake/panelbake (find_package finds it
# with CMAKE_PREFIX_PATH set to the unpacked folder), the README, the licence and the
# manuals as plain text.

# The manual pages rendered as plain text (no terminal escapes, no overstriking).
find_program(PANELBAKE_GROFF groff REQUIRED)
set(manual_texts)
foreach(program ${PANELBAKE_PROGRAMS})
  set(text ${PROJECT_BINARY_DIR}/${program}-manual.txt)
  add_custom_command(
    OUTPUT ${text}
    COMMAND sh -c "\"$0\" -man -Tascii -P-cbou \"$1\" > \"$2\""
            ${PANELBAKE_GROFF} ${PROJECT_SOURCE_DIR}/man/${program}.1 ${text}
    DEPENDS ${PROJECT_SOURCE_DIR}/man/${program}.1
    VERBATIM)
  install(FILES ${text} DESTINATION . RENAME ${program}.txt)
  list(APPEND manual_texts ${text})
endforeach()
add_custom_target(panelbake_manual_text ALL DEPENDS ${manual_texts})

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME panelbake-${PROJECT_VERSION}-win64)
