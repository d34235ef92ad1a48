#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the statically linked program (-DPANELBAKE_STATIC=ON) and checks that it writes
# the same preview and header as the default build, with and without scaling.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

cmake -S . -B build/ci-static -DCMAKE_BUILD_TYPE=Release -DPANELBAKE_WERROR=ON -DPANELBAKE_STATIC=ON \
    -DPANELBAKE_BUILD_TESTS=OFF >/dev/null
cmake --build build/ci-static -j"$(nproc)" --target panelbake

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for options in "" "-h 64" "-w 500 -pgm"; do
    for build in release ci-static; do
        mkdir -p "$work/$build"
        cp examples/landscape.bmp "$work/$build/"
        # shellcheck disable=SC2086 # the options are separate words
        (cd "$work/$build" && "$root/build/$build/converter/panelbake" landscape.bmp $options)
    done
    for output in landscape_glcd.bmp landscape_glcd.h; do
        cmp "$work/release/$output" "$work/ci-static/$output"
    done
    echo "static build, options '${options}': same outputs"
done
