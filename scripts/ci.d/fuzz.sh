#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang and runs each for a bounded time on a copy of
# its seed corpus. Any finding (crash, sanitizer report, failed check, timeout, running
# out of memory) fails the step; the input that caused it is kept under build/fuzz-runs/.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${PANELBAKE_FUZZ_SECONDS:-60}
build=build/fuzz
runs=build/fuzz-runs

# The preset's whole default target: the fuzz targets and the instrumented program.
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

rm -rf "$runs"
# One target's run; what it prints comes as one block when it ends, so that runs side by side
# do not mix their lines.
fuzz_one() {
    local target=$1 work="$runs/$1"
    mkdir -p "$work/corpus"
    cp fuzz/corpus/"$target"/* "$work/corpus/"
    # Inputs that once found a fault, kept beside the seeds so that every run starts with them.
    if [ -d tests/crashers/"$target" ]; then cp tests/crashers/"$target"/* "$work/corpus/"; fi
    # The BMP targets' dictionary; the picture decoders' formats, C text and the player's
    # streams are reached from their seeds.
    local dict=()
    case "$target" in prepare | arrays | player) ;; *) dict=(-dict=fuzz/bmp.dict) ;; esac
    if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
        "${dict[@]}" -artifact_prefix="$work/" -print_final_stats=1 \
        "$work/corpus" 2>"$work/log"; then
        echo "fuzz_$target: ${seconds} s"
        grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done)' "$work/log" || true
    else
        {
            tail -n 60 "$work/log"
            echo "fuzz_$target found a problem; inputs kept in $work/"
        } >&2
        return 1
    fi
}
export -f fuzz_one
export build runs seconds

# Each fuzzer keeps one core busy: as many run side by side as there are cores, so that the
# pass takes the same time per target on fewer minutes of the clock.
printf '%s\n' reader pipeline prepare reduction arrays player |
    xargs -P "$(nproc)" -I{} bash -c 'fuzz_one "$1"' _ {}
