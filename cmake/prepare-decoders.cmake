# SPDX-License-Identifier: MIT
# Whether panelbake-prepare is built: its decoders come from Debian's libstb-dev. Only that
# package's own folder goes on the include path: all of /usr/include would put the build
# machine's system headers before a cross or WebAssembly compiler's. The page, the npm
# package and the fuzz targets hold both programs, so they need the decoders whatever
# PANELBAKE_PREPARE says.
find_path(PANELBAKE_STB_INCLUDE_DIR stb_image.h PATHS /usr/include/stb NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)

string(TOUPPER "${PANELBAKE_PREPARE}" required)
if(EMSCRIPTEN OR PANELBAKE_FUZZ)
  set(required ON)
elseif(NOT required STREQUAL "AUTO")
  if(required)
    set(required ON)
  else()
    set(required OFF)
  endif()
endif()

if(required STREQUAL "OFF")
  set(PANELBAKE_WITH_PREPARE FALSE)
elseif(PANELBAKE_STB_INCLUDE_DIR)
  set(PANELBAKE_WITH_PREPARE TRUE)
elseif(required STREQUAL "ON")
  message(FATAL_ERROR "panelbake-prepare needs stb_image.h, which was not found in /usr/include/stb: "
                      "install Debian's libstb-dev (apt-get install libstb-dev)")
else()
  set(PANELBAKE_WITH_PREPARE FALSE)
  message(WARNING "panelbake-prepare is left out: stb_image.h was not found in /usr/include/stb. "
                  "Debian's libstb-dev brings it (apt-get install libstb-dev). panelbake is built.")
endif()
unset(required)
