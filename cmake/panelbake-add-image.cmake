# SPDX-License-Identifier: MIT
# panelbake_add_image(<target> <picture> [WIDTH <n>] [HEIGHT <n>] [PROGMEM | PIC30])
#
# Converts <picture> at build time into a C header of page-column bytes for <target>
# and adds the header's directory to <target>'s include path, so that sources of the
# target can `#include "<name>_glcd.h"`.
#
#   <picture>      the source picture: a BMP, or a PNG, JPEG or GIF picture of one frame,
#                  which panelbake-prepare turns into <name>.bmp first; a relative path is
#                  taken from the current source directory.
#   WIDTH, HEIGHT  target size in pixels (panelbake's -w and -h). Give one of them to keep
#                  the picture's proportions; without either the picture keeps its size.
#   PROGMEM        place the array in AVR program memory (-pgm).
#   PIC30          place the array in PIC30 auto_psv space (-pic30).
#
# The picture is copied (a BMP) or prepared (any other) into its own directory under
# ${CMAKE_CURRENT_BINARY_DIR}/panelbake/<target>/, and the converter writes the header and
# the 1-bit preview next to that copy, so nothing is written to the source tree. The
# header is made again only when the picture, the options or the programs change.
#
# File names follow panelbake's rule: the first ".bmp" of the picture's file name becomes
# "_glcd" and every '-' becomes '_' (my-logo.bmp gives my_logo_glcd.h and the array
# my_logo_glcd_bmp). A PNG, JPEG or GIF picture is named as its BMP: my-logo.png gives
# my-logo.bmp, and so my_logo_glcd.h.
include_guard(GLOBAL)

# Sets <var> to the name panelbake gives the outputs of a picture named <fileName>,
# without the extension.
function(_panelbake_output_stem var fileName)
  # A name that starts with ".bmp" keeps that part: the search begins at the second character.
  string(SUBSTRING "${fileName}" 1 -1 rest)
  string(FIND "${rest}" ".bmp" position)
  set(stem "${fileName}")
  if(NOT position EQUAL -1)
    math(EXPR position "${position} + 1")
    math(EXPR after "${position} + 4")
    string(SUBSTRING "${fileName}" 0 ${position} head)
    string(SUBSTRING "${fileName}" ${after} -1 tail)
    set(stem "${head}_glcd${tail}")
  endif()
  string(REPLACE "-" "_" stem "${stem}")
  set(${var} "${stem}" PARENT_SCOPE)
endfunction()

function(panelbake_add_image target picture)
  cmake_parse_arguments(PARSE_ARGV 2 arg "PROGMEM;PIC30" "WIDTH;HEIGHT" "")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "panelbake_add_image: unknown arguments: ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET ${target})
    message(FATAL_ERROR "panelbake_add_image: ${target} is not a target")
  endif()
  if(arg_PROGMEM AND arg_PIC30)
    message(FATAL_ERROR "panelbake_add_image: give PROGMEM or PIC30, not both")
  endif()

  set(options)
  foreach(side IN ITEMS WIDTH HEIGHT)
    if(DEFINED arg_${side} AND NOT arg_${side} MATCHES "^[1-9][0-9]*$")
      message(FATAL_ERROR "panelbake_add_image: ${side} must be a positive number of pixels, not \"${arg_${side}}\"")
    endif()
  endforeach()
  if(DEFINED arg_WIDTH)
    list(APPEND options -w ${arg_WIDTH})
  endif()
  if(DEFINED arg_HEIGHT)
    list(APPEND options -h ${arg_HEIGHT})
  endif()
  if(arg_PROGMEM)
    list(APPEND options -pgm)
  elseif(arg_PIC30)
    list(APPEND options -pic30)
  endif()

  get_filename_component(source "${picture}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(fileName "${source}" NAME)
  # A PNG, JPEG or GIF picture goes through panelbake-prepare into the BMP of its name.
  set(prepare FALSE)
  if(fileName MATCHES "^(.+)\\.([Pp][Nn][Gg]|[Jj][Pp][Ee]?[Gg]|[Gg][Ii][Ff])$")
    if(NOT TARGET panelbake::panelbake-prepare)
      message(FATAL_ERROR "panelbake_add_image: ${picture} needs panelbake-prepare, which this panelbake was built without")
    endif()
    set(prepare TRUE)
    set(bmpName "${CMAKE_MATCH_1}.bmp")
  else()
    set(bmpName "${fileName}")
  endif()
  _panelbake_output_stem(stem "${bmpName}")

  get_property(stems TARGET ${target} PROPERTY PANELBAKE_IMAGE_STEMS)
  if(stem IN_LIST stems)
    message(FATAL_ERROR "panelbake_add_image: ${target} already has a picture that gives ${stem}.h")
  endif()
  set_property(TARGET ${target} APPEND PROPERTY PANELBAKE_IMAGE_STEMS "${stem}")

  set(directory "${CMAKE_CURRENT_BINARY_DIR}/panelbake/${target}/${stem}")
  set(header "${directory}/${stem}.h")
  set(preview "${directory}/${stem}.bmp")
  # Rewritten only when its text changes, so a new option or picture path reruns the
  # converter and an unchanged one does not.
  set(settings "${directory}/${stem}.settings")
  set(text "${source}\n${options}\n")
  set(previousText "")
  if(EXISTS "${settings}")
    file(READ "${settings}" previousText)
  endif()
  if(NOT previousText STREQUAL text)
    file(WRITE "${settings}" "${text}")
  endif()

  if(prepare)
    set(bringPicture panelbake::panelbake-prepare "${source}" -o "${bmpName}" --force)
    set(programs "$<TARGET_FILE:panelbake::panelbake>" "$<TARGET_FILE:panelbake::panelbake-prepare>")
  else()
    set(bringPicture "${CMAKE_COMMAND}" -E copy "${source}" "${directory}/${bmpName}")
    set(programs "$<TARGET_FILE:panelbake::panelbake>")
  endif()
  add_custom_command(
    OUTPUT "${header}" "${preview}"
    BYPRODUCTS "${directory}/${bmpName}"
    # A failed run must not leave an earlier header behind as if it were current.
    COMMAND "${CMAKE_COMMAND}" -E rm -f "${header}" "${preview}"
    COMMAND ${bringPicture}
    COMMAND panelbake::panelbake "${bmpName}" ${options}
    WORKING_DIRECTORY "${directory}"
    DEPENDS "${source}" "${settings}" ${programs}
    COMMENT "Converting ${fileName} to ${stem}.h for ${target}"
    VERBATIM)

  string(MAKE_C_IDENTIFIER "panelbake_${target}_${stem}" imageTarget)
  set(uniqueTarget ${imageTarget})
  set(count 1)
  while(TARGET ${uniqueTarget})
    math(EXPR count "${count} + 1")
    set(uniqueTarget ${imageTarget}_${count})
  endwhile()
  add_custom_target(${uniqueTarget} DEPENDS "${header}" "${preview}")
  add_dependencies(${target} ${uniqueTarget})
  target_include_directories(${target} PRIVATE "${directory}")
endfunction()
