# SPDX-License-Identifier: MIT
# Cross build for 64-bit ARM Linux (Raspberry Pi OS 64-bit, other arm64 boards) with
# Debian's aarch64 cross compiler. The programs run on the build machine through
# qemu-user, with the cross compiler's libraries as the system root.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(PANELBAKE_CROSS_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${PANELBAKE_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${PANELBAKE_CROSS_TRIPLET}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${PANELBAKE_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/${PANELBAKE_CROSS_TRIPLET})
