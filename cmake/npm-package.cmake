# SPDX-License-Identifier: MIT
# The npm package of the Node program: `npx panelbake logo.bmp -h 64` wherever Node 18 or
# later runs. The package is staged in build/web/npm/ and packed beside it as
# panelbake-<version>.tgz.
find_program(PANELBAKE_NPM npm)
if(NOT PANELBAKE_NPM)
  message(STATUS "npm not found: no npm package")
  return()
endif()

set(stage ${PROJECT_BINARY_DIR}/npm)
set(tarball ${PROJECT_BINARY_DIR}/panelbake-${PROJECT_VERSION}.tgz)
file(CONFIGURE OUTPUT ${stage}/package.json @ONLY CONTENT [[
{
  "name": "panelbake",
  "version": "@PROJECT_VERSION@",
  "description": "@CPACK_PACKAGE_DESCRIPTION_SUMMARY@",
  "license": "MIT",
  "keywords": ["bmp", "glcd", "lcd", "ssd1306", "ks0108", "st7565", "pcd8544", "avr", "embedded"],
  "bin": {"panelbake": "bin/panelbake.js", "panelbake-prepare": "bin/panelbake-prepare.js"},
  "files": ["bin/", "panelbake.js", "panelbake.wasm", "panelbake-prepare.js", "panelbake-prepare.wasm", "README.md",
            "LICENSE"],
  "engines": {"node": ">=18"}
}
]])
add_custom_command(
  OUTPUT ${tarball}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/bin
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/npm/panelbake.js
          ${CMAKE_CURRENT_LIST_DIR}/npm/panelbake-prepare.js ${stage}/bin
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:panelbake> $<TARGET_FILE_DIR:panelbake>/panelbake.wasm
          $<TARGET_FILE:panelbake-prepare> $<TARGET_FILE_DIR:panelbake-prepare>/panelbake-prepare.wasm
          ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${stage}
  COMMAND ${PANELBAKE_NPM} pack --silent --pack-destination ${PROJECT_BINARY_DIR} ${stage}
  DEPENDS panelbake panelbake-prepare ${stage}/package.json ${CMAKE_CURRENT_LIST_DIR}/npm/panelbake.js
          ${CMAKE_CURRENT_LIST_DIR}/npm/panelbake-prepare.js
          ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
  COMMENT "Packing the npm package"
  VERBATIM)
add_custom_target(npm_package ALL DEPENDS ${tarball})
