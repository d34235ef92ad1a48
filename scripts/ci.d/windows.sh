#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows program: built with mingw-w64 (the windows preset), the unit and end-to-end
# tests run on it under Wine, and the zip made and checked. The Wine prefix lives in the
# build tree and is created here on the first run; CTest keeps one Wine server running
# for all the tests.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset windows >/dev/null
prefix=$(sed -n 's/^PANELBAKE_WINEPREFIX:PATH=//p' build/windows/CMakeCache.txt)
export WINEPREFIX=$prefix WINEDEBUG=-all
# Nothing of Wine may outlive the pass, even when a step fails.
trap 'wineserver -k 2>/dev/null || true' EXIT

start=$SECONDS
wineboot -u >/dev/null 2>&1 </dev/null
echo "Wine prefix ready in $((SECONDS - start)) s"

cmake --build --preset windows -j"$(nproc)"
# Wine now and then ends a process with status 1 and no output, whatever it runs: the
# emulator of the build (cmake/toolchains/wine-run) runs such a process once more, and a
# test that fails even so is run once more before the pass fails.
ctest --preset windows -j"$(nproc)" --repeat until-pass:2
cpack --preset windows
