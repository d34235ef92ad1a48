#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The 64-bit ARM Linux program (Raspberry Pi OS 64-bit and other arm64 boards): built with
# the aarch64 cross compiler (the linux-arm64 preset), and the unit and end-to-end tests
# run on it under qemu-user.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset linux-arm64 >/dev/null
cmake --build --preset linux-arm64 -j"$(nproc)"
ctest --preset linux-arm64 -j"$(nproc)"
