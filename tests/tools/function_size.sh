#!/bin/sh
# SPDX-License-Identifier: MIT
# Fails when a function of the programs' sources (bitmap/, converter/, prepare/) is over 60
# lines, naming each: clang-tidy's readability-function-size on the build's compile commands.
# Usage: function_size.sh CLANG_TIDY BUILD_DIR, from the source folder.
tidy=$1
build=$2
found=$(git ls-files 'bitmap/*.cpp' 'converter/*.cpp' 'prepare/*.cpp' 2>/dev/null ||
        find bitmap converter prepare -name '*.cpp')
report=$(printf '%s\n' $found | xargs -P2 -n4 "$tidy" -p "$build" --quiet \
    --checks='-*,readability-function-size' \
    --config='{CheckOptions: [{key: readability-function-size.LineThreshold, value: 60}]}' 2>/dev/null |
    grep 'readability-function-size')
if [ -n "$report" ]; then
    printf '%s\n' "$report"
    echo "functions over 60 lines: cut them into functions of their own" >&2
    exit 1
fi
echo "every function is at most 60 lines"
