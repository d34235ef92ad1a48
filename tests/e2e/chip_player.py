# SPDX-License-Identifier: MIT
"""Compressed frames played by panelbake_play.h in programs for this machine and for an
ATmega328P run in Debian's simavr: the programs' text and the frames they send back.
The player's tests and bench/run use them.

A program includes a header STEM.h for each animation that declares STEM_stream,
STEM_COUNT and STEM_BYTES (a frames header panelbake-prepare writes will do: walk_frames.h,
walk_frames_adafruit.h; or one stream_header writes), and plays each animation's frames
twice over into a buffer of up to 1024 bytes with guard bytes on either side. After each frame it sends a line "t" and
the clock cycles the frame took (on this machine 0), then the buffer with its guards as hex
lines. On the chip the player is the assembly of panelbake_play.h, on this machine its C."""
import os
import re
import subprocess

# Why a pass under an emulator skips the chip's tests.
CHIP = "the chip's tests run in the native pass; here they would run the same programs again"
# A 128 x 64 frame on an ATmega328P at 16 MHz: 2 ms.
FRAME_CYCLES = 32000
# Bytes on either side of the frame that the player must leave alone.
GUARD_BYTES = 16
GUARD = 0xA5


def program(stems, main):
    return "".join(f'#include "{stem}.h"\n' for stem in stems) + '#include "panelbake_play.h"\n\n' + main


def plays(stems, after):
    """Each animation's part of the program: the guards set, then its frames played twice
    over, each followed by the statement `after`."""
    calls = []
    for stem in stems:
        calls.append(f"""    guard();
    panelbake_play_start(&player, {stem}_stream);
    for (pass = 0; pass < 2 * {stem.upper()}_COUNT; ++pass) {{
        start_clock();
        panelbake_play_frame(&player, memory + {GUARD_BYTES});
        {after.format(bytes=stem.upper() + "_BYTES")}
    }}
""")
    return "".join(calls)


# The memory around the buffer, and how it is sent: "t", the cycles in 6 hex digits, then
# 32 bytes a line.
COMMON = """static unsigned char memory[1024 + 2 * {guard_bytes}];

static void guard(void)
{{
    unsigned int i;
    for (i = 0; i < sizeof memory; ++i)
        memory[i] = {guard};
}}

static void send(unsigned long cycles, unsigned int bytes)
{{
    unsigned int i;
    put('t');
    hex((unsigned char)(cycles >> 16));
    hex((unsigned char)(cycles >> 8));
    hex((unsigned char)cycles);
    put('\\n');
    for (i = 0; i < bytes + 2 * {guard_bytes}; ++i) {{
        hex(memory[i]);
        if (i % 32 == 31 || i + 1 == bytes + 2 * {guard_bytes})
            put('\\n');
    }}
}}
"""

HOST_MAIN = """#include <stdio.h>

static void put(char c)
{{
    putchar(c);
}}

static void hex(unsigned char b)
{{
    printf("%02x", b);
}}

static void start_clock(void)
{{
}}
""" + COMMON + """
int main(void)
{{
    struct panelbake_player player;
    unsigned int pass;
{plays}    return 0;
}}
"""

# What a program for the chip sends with: put() writes a character to the UART, at its
# fastest once uart_start() has set it up; stop() ends the program, and simavr's run.
CHIP_SENDING = """#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>

static void put(char c)
{
    while (!(UCSR0A & (1 << UDRE0)))
        ;
    UDR0 = c;
}

static void uart_start(void)
{
    UBRR0 = 0;
    UCSR0A = 1 << U2X0;
    UCSR0B = 1 << TXEN0;
    UCSR0C = 3 << UCSZ00;
}

static void stop(void)
{
    cli();
    sleep_enable();
    sleep_cpu();
}
"""

# Timer1 counts every clock cycle of a frame; its overflows are counted too. The clock's
# functions are always inlined, so that what it counts beside the frame is the same in
# every program, however many animations it plays.
CHIP_MAIN = """
static volatile unsigned int overflows;

ISR(TIMER1_OVF_vect)
{{
    ++overflows;
}}

static void hex(unsigned char b)
{{
    put("0123456789abcdef"[b >> 4]);
    put("0123456789abcdef"[b & 15]);
}}

static __inline__ __attribute__((always_inline)) void start_clock(void)
{{
    cli();
    overflows = 0;
    TCNT1 = 0;
    TIFR1 = 1 << TOV1;
    sei();
}}

static __inline__ __attribute__((always_inline)) unsigned long stop_clock(void)
{{
    unsigned int ticks;
    cli();
    ticks = TCNT1;
    if (TIFR1 & (1 << TOV1)) {{
        ticks = TCNT1;
        ++overflows;
    }}
    sei();
    return (unsigned long)overflows << 16 | ticks;
}}
""" + COMMON + """
int main(void)
{{
    struct panelbake_player player;
    unsigned int pass;
    uart_start();
    TIMSK1 = 1 << TOIE1;
    TCCR1A = 0;
    TCCR1B = 1 << CS10;
    sei();
{plays}    stop();
    return 0;
}}
"""


def uart_lines(text):
    """The lines a program sent, from simavr's record of the UART (a line a time, coloured,
    with '.' for the line end) or from a program of this machine."""
    return [re.sub(r"\x1b\[[0-9;]*m", "", line).rstrip(".") for line in text.splitlines()]


def sent_frames(text):
    """The frames and their clock cycles in what a program sent (simavr's record of the
    UART has a line a time, coloured, with '.' for the line end): (cycles, the buffer with
    its guards) each."""
    frames = []
    for line in uart_lines(text):
        if line.startswith("t"):
            frames.append([int(line[1:], 16), ""])
        elif frames and re.fullmatch(r"[0-9a-f]+", line):
            frames[-1][1] += line
    return [(cycles, bytes.fromhex(data)) for cycles, data in frames]


def unguarded(sent):
    """The frame inside a buffer sent with its guards, or None when a guard byte changed."""
    guards = sent[:GUARD_BYTES] + sent[-GUARD_BYTES:]
    return sent[GUARD_BYTES:-GUARD_BYTES] if guards == bytes([GUARD]) * (2 * GUARD_BYTES) else None


def stream_header(directory, stem, stream, count, frame_bytes):
    """A header STEM.h that declares `stream` where the player reads it, as a frames header
    does."""
    upper = stem.upper()
    with open(os.path.join(directory, stem + ".h"), "w") as f:
        f.write(f'#include "panelbake_play.h"\n#define {upper}_COUNT {count}\n#define {upper}_BYTES {frame_bytes}\n'
                f"static const unsigned char PANELBAKE_PLAY_MEMORY {stem}_stream[] = {{"
                + ",".join(str(b) for b in stream) + "};\n")


def chip_program(stems):
    """The program for the chip that plays the animations of the headers STEM.h."""
    return program(stems, CHIP_SENDING + CHIP_MAIN.format(plays=plays(stems, "send(stop_clock(), {bytes});"),
                                                          guard_bytes=GUARD_BYTES, guard=GUARD))


def host_program(stems):
    """The program for this machine: every frame played, sent to standard output."""
    return program(stems, HOST_MAIN.format(plays=plays(stems, "send(0, {bytes});"), guard_bytes=GUARD_BYTES,
                                           guard=GUARD))


def run_on_chip(directory, elf):
    """What the chip program `elf` (built in `directory`) sends, run in simavr at 16 MHz, as
    simavr records it."""
    run = subprocess.run(["simavr", "-m", "atmega328p", "-f", "16000000", elf], cwd=directory,
                         capture_output=True, text=True, timeout=600)
    return run.stderr


def play_on_chip(directory, elf):
    """What the chip program `elf` (built in `directory`) sends: (cycles, the buffer with its
    guards) for each frame."""
    return sent_frames(run_on_chip(directory, elf))
