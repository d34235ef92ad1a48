#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The WebAssembly build (the web preset, emscripten): the unit and end-to-end tests run
# on the Node programs, and the page is tested in headless Chromium and in Firefox against
# the native programs, served and opened from disk.
set -euo pipefail
cd "$(dirname "$0")/../.."

# The page's results are held to the native programs' bytes.
if [ ! -x build/release/converter/panelbake ] || [ ! -x build/release/prepare/panelbake-prepare ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release -j"$(nproc)" --target panelbake panelbake-prepare
fi
export PANELBAKE_NATIVE=$PWD/build/release/converter/panelbake
export PANELBAKE_PREPARE_NATIVE=$PWD/build/release/prepare/panelbake-prepare

cmake --preset web >/dev/null
cmake --build --preset web -j"$(nproc)"
ctest --preset web -j"$(nproc)"
