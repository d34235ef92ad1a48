# SPDX-License-Identifier: MIT
# The Windows package: panelbake-<version>-win64.zip, to unpack anywhere. It holds
# bin/panelbake.exe, the CMake package in lib/cmake/panelbake (find_package finds it
# with CMAKE_PREFIX_PATH set to the unpacked folder), the README, the licence and the
# manual as plain text.

# The manual page rendered as plain text (no terminal escapes, no overstriking).
find_program(PANELBAKE_GROFF groff REQUIRED)
set(PANELBAKE_MANUAL_TEXT ${PROJECT_BINARY_DIR}/panelbake-manual.txt)
add_custom_command(
  OUTPUT ${PANELBAKE_MANUAL_TEXT}
  COMMAND sh -c "\"$0\" -man -Tascii -P-cbou \"$1\" > \"$2\""
          ${PANELBAKE_GROFF} ${PROJECT_SOURCE_DIR}/man/panelbake.1 ${PANELBAKE_MANUAL_TEXT}
  DEPENDS ${PROJECT_SOURCE_DIR}/man/panelbake.1
  VERBATIM)
add_custom_target(panelbake_manual_text ALL DEPENDS ${PANELBAKE_MANUAL_TEXT})

install(FILES ${PANELBAKE_MANUAL_TEXT} DESTINATION . RENAME panelbake.txt)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME panelbake-${PROJECT_VERSION}-win64)
