# SPDX-License-Identifier: MIT
"""Compressed frames played by panelbake_play.h in programs for this machine and for an
ATmega328P run in Debian's simavr: the programs' text and the frames the chip sends back.
The player's tests and bench/run use them.

A program includes a header STEM.h for each animation that declares STEM_stream,
STEM_COUNT and STEM_BYTES (a frames header panelbake-prepare writes will do: walk_frames.h,
walk_frames_adafruit.h), and plays each animation's frames twice over into a buffer of up
to 1024 bytes."""
import re
import subprocess

# A 128 x 64 frame on an ATmega328P at 16 MHz: 2 ms.
FRAME_CYCLES = 32000

def program(stems, main):
    return "".join(f'#include "{stem}.h"\n' for stem in stems) + '#include "panelbake_play.h"\n\n' + main


def plays(stems, before, after):
    """Each animation's part of the program: its frames played twice over, each between the
    statements `before` and `after`."""
    calls = []
    for stem in stems:
        calls.append(f"""    panelbake_play_start(&player, {stem}_stream);
    for (pass = 0; pass < 2 * {stem.upper()}_COUNT; ++pass) {{
        {before}
        panelbake_play_frame(&player, buffer);
        {after.format(bytes=stem.upper() + "_BYTES")}
    }}
""")
    return "".join(calls)


HOST_MAIN = """#include <stdio.h>

static unsigned char buffer[1024];

int main(void)
{{
    struct panelbake_player player;
    unsigned int pass;
{plays}    return 0;
}}
"""

# Each frame as hex lines over the UART, after a line "t" and the clock cycles the frame
# took (Timer1 counts every cycle; its overflows are counted too).
CHIP_MAIN = """#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>

static unsigned char buffer[1024];
static volatile unsigned int overflows;
static unsigned int ticks;

ISR(TIMER1_OVF_vect)
{{
    ++overflows;
}}

static void put(char c)
{{
    while (!(UCSR0A & (1 << UDRE0)))
        ;
    UDR0 = c;
}}

static void hex(unsigned char b)
{{
    put("0123456789abcdef"[b >> 4]);
    put("0123456789abcdef"[b & 15]);
}}

static void start_clock(void)
{{
    cli();
    overflows = 0;
    TCNT1 = 0;
    TIFR1 = 1 << TOV1;
    sei();
}}

static void send(unsigned int bytes)
{{
    unsigned int i;
    cli();
    ticks = TCNT1;
    if (TIFR1 & (1 << TOV1)) {{
        ticks = TCNT1;
        ++overflows;
    }}
    sei();
    put('t');
    hex(overflows);
    hex(ticks >> 8);
    hex(ticks);
    put('\\n');
    for (i = 0; i < bytes; ++i) {{
        hex(buffer[i]);
        if (i % 32 == 31 || i + 1 == bytes)
            put('\\n');
    }}
}}

int main(void)
{{
    struct panelbake_player player;
    unsigned int pass;
    UBRR0 = 0;
    UCSR0A = 1 << U2X0;
    UCSR0B = 1 << TXEN0;
    UCSR0C = 3 << UCSZ00;
    TIMSK1 = 1 << TOIE1;
    TCCR1A = 0;
    TCCR1B = 1 << CS10;
    sei();
{plays}    cli();
    sleep_enable();
    sleep_cpu();
    return 0;
}}
"""


def chip_frames(uart):
    """The frames and their clock cycles in simavr's record of the UART: a line a time,
    coloured, with '.' for the line end."""
    lines = [re.sub(r"\x1b\[[0-9;]*m", "", line).rstrip(".") for line in uart.splitlines()]
    frames = []
    for line in lines:
        if line.startswith("t"):
            frames.append([int(line[1:], 16), ""])
        elif frames and re.fullmatch(r"[0-9a-f]+", line):
            frames[-1][1] += line
    return [(cycles, bytes.fromhex(data)) for cycles, data in frames]




def chip_program(stems):
    """The program for the chip that plays the animations of the headers STEM.h."""
    return program(stems, CHIP_MAIN.format(plays=plays(stems, "start_clock();", "send({bytes});")))


def host_program(stems):
    """The program for this machine: every frame played, written to standard output."""
    return program(stems, HOST_MAIN.format(plays=plays(stems, ";", "fwrite(buffer, 1, {bytes}, stdout);")))


def play_on_chip(directory, elf):
    """The frames and clock cycles of the chip program `elf` (built in `directory`), run
    in simavr at 16 MHz."""
    run = subprocess.run(["simavr", "-m", "atmega328p", "-f", "16000000", elf], cwd=directory,
                         capture_output=True, text=True, timeout=600)
    return chip_frames(run.stderr)
