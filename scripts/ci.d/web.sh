#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The WebAssembly build (the web preset, emscripten): the unit and end-to-end tests run
# on the Node program, and the page is tested in headless Chromium against the native
# program, served and opened from disk.
set -euo pipefail
cd "$(dirname "$0")/../.."

# The page's results are held to the native program's bytes.
if [ ! -x build/release/converter/panelbake ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release -j"$(nproc)" --target panelbake
fi
export PANELBAKE_NATIVE=$PWD/build/release/converter/panelbake

cmake --preset web >/dev/null
cmake --build --preset web -j"$(nproc)"
ctest --preset web -j"$(nproc)"
