# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with Debian's mingw-w64 (the POSIX thread model).
# Every program is linked statically, so it imports only Windows system DLLs; the
# programs run on the build machine through Wine (the tests, test discovery), by wine-run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PANELBAKE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PANELBAKE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PANELBAKE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PANELBAKE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PANELBAKE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Wine keeps its state in a prefix of the build tree, created on the first run (a few
# seconds); a persistent server (wineserver -p) makes each later start take milliseconds.
set(PANELBAKE_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "Wine prefix for running the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${PANELBAKE_WINEPREFIX} WINEDEBUG=-all ${CMAKE_CURRENT_LIST_DIR}/wine-run)
