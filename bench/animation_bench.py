#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Compressed frames against their goals: the four bench animations (bench/animations.py)
compressed into the stream panelbake_play.h plays, beside zlib at level 9 of the same raw
frames; every frame played on an ATmega328P at 16 MHz in Debian's simavr, with its time;
the player's code as avr-gcc -Os builds it, and its state.

Run by bench/run, or on its own: bench/animation_bench.py [--scratch DIR]. Needs g++,
avr-gcc (gcc-avr, avr-libc) and simavr. See bench/README.md.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import zlib

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
REPO_DIR = os.path.dirname(BENCH_DIR)
CODEC_DIR = os.path.join(REPO_DIR, "prepare", "compression")
sys.path.insert(0, BENCH_DIR)
sys.path.insert(0, os.path.join(REPO_DIR, "tests", "e2e"))
import animations  # noqa: E402
import chip_player  # noqa: E402

# The goals.
GOAL_ZLIB_RATIO = 2.0      # on the line-art animations: compressed / zlib level 9
GOAL_CODE_BYTES = 300      # the player's AVR code
GOAL_STATE_BYTES = 16      # its state beside the buffer
GOAL_FRAME_MS = 2.0        # a 128 x 64 frame at 16 MHz
LINE_ART = ("ball", "text", "walker")
CLOCK_HZ = 16000000

CODEC_SOURCES = ["frame_stream.cpp", "frame_steps.cpp", "copy_sources.cpp", "player_model.cpp"]

# A minimal firmware as an Arduino sketch is built: the player's state a global, started once,
# a frame played into a buffer that a library hands out, on every pass of the loop. The
# player's code is what it adds to the same program without it.
SKETCH = """#include <avr/pgmspace.h>
#ifdef PLAYER
#include "panelbake_play.h"
static struct panelbake_player player;
#endif
extern const unsigned char stream[] PROGMEM;
extern unsigned char *display_buffer(void);
extern void display_show(void);
void setup(void)
{
#ifdef PLAYER
    panelbake_play_start(&player, stream);
#endif
}
void loop(void)
{
#ifdef PLAYER
    panelbake_play_frame(&player, display_buffer());
#endif
    display_show();
}
"""

# The two functions on their own, called from outside, and the state's size as an object's.
FUNCTIONS = """#include "panelbake_play.h"
void start(struct panelbake_player *p, const unsigned char *s) { panelbake_play_start(p, s); }
void frame(struct panelbake_player *p, unsigned char *b) { panelbake_play_frame(p, b); }
struct panelbake_player state;
"""


def run(args, **kwargs):
    return subprocess.run(args, check=True, **kwargs)


def avr_object(scratch, name, source, *flags):
    """Compiles `source` for the ATmega328P as the goal says (-Os) into name.o."""
    path = os.path.join(scratch, name + ".c")
    with open(path, "w") as f:
        f.write(source)
    obj = os.path.join(scratch, name + ".o")
    run(["avr-gcc", "-std=c99", "-Os", "-mmcu=atmega328p", "-Wall", "-Wextra", "-Werror", "-I", CODEC_DIR,
         *flags, "-c", path, "-o", obj])
    return obj


def text_bytes(obj):
    """The code an object holds, as avr-size counts it."""
    out = run(["avr-size", obj], capture_output=True, text=True).stdout.splitlines()[-1].split()
    return int(out[0])


def player_footprint(scratch):
    """The player's code in a sketch, as two functions, and its state in bytes."""
    in_sketch = text_bytes(avr_object(scratch, "sketch_player", SKETCH, "-DPLAYER")) - \
        text_bytes(avr_object(scratch, "sketch", SKETCH))
    functions = avr_object(scratch, "functions", FUNCTIONS)
    symbols = run(["avr-nm", "-S", functions], capture_output=True, text=True).stdout.split()
    state = int(symbols[symbols.index("state") - 2], 16)
    return in_sketch, text_bytes(functions), state


def build_compressor(scratch):
    binary = os.path.join(scratch, "compress_frames")
    run(["g++", "-std=c++17", "-O2", "-I", os.path.join(REPO_DIR, "prepare"), "-o", binary,
         os.path.join(BENCH_DIR, "compress_frames.cpp"), *[os.path.join(CODEC_DIR, s) for s in CODEC_SOURCES]])
    return binary


def measure_animation(scratch, compressor, name, frames):
    raw = b"".join(frames)
    with open(os.path.join(scratch, name + ".frames"), "wb") as f:
        f.write(raw)
    stream_path = os.path.join(scratch, name + ".stream")
    times_path = os.path.join(scratch, name + ".times")
    run([compressor, str(len(frames[0])), name + ".frames", stream_path, times_path], cwd=scratch)
    with open(stream_path, "rb") as f:
        stream = f.read()
    with open(times_path) as f:
        modelled = [int(line) for line in f]
    chip_player.stream_header(scratch, name + "_frames", stream, len(frames), len(frames[0]))
    source = os.path.join(scratch, name + "_chip.c")
    with open(source, "w") as f:
        f.write(chip_player.chip_program([name + "_frames"]))
    elf = name + ".elf"
    run(["avr-gcc", "-std=c99", "-Os", "-mmcu=atmega328p", "-I", CODEC_DIR, "-I", scratch, "-o", elf, source],
        cwd=scratch)
    played = chip_player.play_on_chip(scratch, elf)
    expected = [frames[i % len(frames)] for i in range(2 * len(frames))]
    cycles = [c for c, _ in played]
    # The encoder's time model against the cycles measured, frame by frame.
    errors = [modelled[i % len(frames)] - c for i, c in enumerate(cycles)]
    return {"name": name, "frames": len(frames), "raw": len(raw), "stream": len(stream),
            "zlib": len(zlib.compress(raw, 9)),
            "played": [chip_player.unguarded(sent) for _, sent in played] == expected,
            "model_over": max(errors), "model_under": -min(errors),
            "max_ms": max(cycles) * 1000 / CLOCK_HZ, "mean_ms": sum(cycles) / len(cycles) * 1000 / CLOCK_HZ}


def verdict(ok):
    return "met" if ok else "NOT met"


def report(rows, footprint):
    lines = [f"{'animation':<10}{'frames':>7}{'raw':>8}{'stream':>8}{'zlib -9':>9}{'÷ zlib':>8}"
             f"{'frame max':>11}{'mean':>9}  played back"]
    for r in rows:
        lines.append(f"{r['name']:<10}{r['frames']:>7}{r['raw']:>8}{r['stream']:>8}{r['zlib']:>9}"
                     f"{r['stream'] / r['zlib']:>7.2f}x{r['max_ms']:>8.2f} ms{r['mean_ms']:>6.2f} ms  "
                     f"{'every frame twice over' if r['played'] else 'FRAMES DIFFER'}")
    for r in rows:
        ratio = r["stream"] / r["zlib"]
        goal = (f" ({verdict(ratio <= GOAL_ZLIB_RATIO)}: {GOAL_ZLIB_RATIO:.0f}x zlib)" if r["name"] in LINE_ART
                else " (reported: a dithered photo)")
        lines.append(f"{r['name']}: {r['stream']} bytes, {ratio:.2f}x zlib -9{goal}; frames at most "
                     f"{r['max_ms']:.2f} ms ({verdict(r['max_ms'] <= GOAL_FRAME_MS)}: {GOAL_FRAME_MS:.0f} ms)")
    lines.append("the encoder's time model against simavr: " + ", ".join(
        f"{r['name']} {-r['model_under']:+d} to {r['model_over']:+d}" for r in rows) + " cycles a frame")
    in_sketch, functions, state = footprint
    lines.append(f"player code: {in_sketch} bytes in a sketch ({verdict(in_sketch <= GOAL_CODE_BYTES)}: "
                 f"{GOAL_CODE_BYTES}), {functions} bytes as two functions on their own; state {state} bytes "
                 f"({verdict(state <= GOAL_STATE_BYTES)}: {GOAL_STATE_BYTES})")
    return lines


def measure(scratch):
    """The report's lines, or one saying what is missing."""
    missing = [tool for tool in ("g++", "avr-gcc", "avr-size", "avr-nm", "simavr") if shutil.which(tool) is None]
    if missing:
        return ["compressed frames: not measured, missing " + ", ".join(missing) +
                " (apt-get install -y g++ gcc-avr avr-libc simavr)"]
    print("== compressed frames: the bench animations, zlib -9, on the chip in simavr", flush=True)
    compressor = build_compressor(scratch)
    rows = [measure_animation(scratch, compressor, name, make()) for name, make in animations.ANIMATIONS.items()]
    return report(rows, player_footprint(scratch))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--scratch", help="directory for the frames, streams and programs "
                        "(default: a new temporary one, removed afterwards)")
    opts = parser.parse_args()
    scratch = os.path.abspath(opts.scratch) if opts.scratch else tempfile.mkdtemp(prefix="panelbake-frames-")
    os.makedirs(scratch, exist_ok=True)
    for line in measure(scratch):
        print(line)
    if not opts.scratch:
        shutil.rmtree(scratch)


if __name__ == "__main__":
    main()
