#!/bin/sh
# SPDX-License-Identifier: MIT
# Fails when a function of the programs' sources (bitmap/, converter/, prepare/) is over 60
# lines, naming each: clang-tidy's readability-function-size on the build's compile commands,
# in the sources and in the headers they include. panelbake_play.h, which the programs write
# out for firmware instead of including it, is read on its own twice: its C, as this machine
# compiles it, and its assembly, as avr-gcc compiles it (clang's AVR target, the read defined
# so that no AVR library header is needed). No function is exempt.
# Usage: function_size.sh CLANG_TIDY BUILD_DIR, from the source folder.
tidy=$1
build=$2
checks='-*,readability-function-size'
config='{CheckOptions: [{key: readability-function-size.LineThreshold, value: 60}]}'
headers="^$(pwd)/(bitmap|converter|prepare)/"
player=$(git ls-files 'prepare/*panelbake_play.h' 2>/dev/null || find prepare -name panelbake_play.h)
found=$(git ls-files 'bitmap/*.cpp' 'converter/*.cpp' 'prepare/*.cpp' 2>/dev/null ||
        find bitmap converter prepare -name '*.cpp')
# The player's two readings must compile: a reading that fails measures nothing.
read_player() {
    what=$1
    shift
    "$tidy" -p "$build" --quiet --checks="$checks" --config="$config" "$@" "$player" 2>/dev/null ||
        echo "$player could not be read for the size of $what"
}
report=$({
    printf '%s\n' $found | xargs -P2 -n4 "$tidy" -p "$build" --quiet --checks="$checks" --config="$config" \
        --header-filter="$headers" 2>/dev/null
    read_player "its C"
    read_player "its assembly" --extra-arg=--target=avr --extra-arg=-mmcu=atmega328p --extra-arg=-DPANELBAKE_PLAY_AVR \
        '--extra-arg=-DPANELBAKE_PLAY_READ(p)=(*(p))'
} | grep 'readability-function-size\|could not be read' | sort -u)
if [ -n "$report" ]; then
    printf '%s\n' "$report"
    echo "functions over 60 lines: cut them into functions of their own" >&2
    exit 1
fi
echo "every function is at most 60 lines, in the sources and their headers"
