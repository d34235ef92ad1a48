# SPDX-License-Identifier: MIT
"""Compressed frames played by panelbake_play.h as firmware plays them: the frames header
and the player compiled by gcc as C89 and C99 and run on this machine, and by avr-gcc for
an ATmega328P, with the stream in program memory, run in Debian's simavr. Every frame,
played twice over, equals the frame compressed; on the chip each takes at most 2 ms."""
import os
import random
import re
import shutil
import subprocess
import unittest

from glcd_support import EMULATED, TempDirTest, converter_command

STREAMTOOL = os.environ.get("STREAMTOOL", "")
CHIP = "the chip's tests run in the native pass; here they would run the same programs again"

# A 128 x 64 frame on an ATmega328P at 16 MHz: 2 ms.
FRAME_CYCLES = 32000


def animations():
    """(name, frame bytes, frames): random ones and some made to be hard."""
    rng = random.Random(28)

    def noise(size, density):
        return bytes(rng.randrange(256) if rng.randrange(100) < density else 0 for _ in range(size))

    picture = noise(1024, 30)
    inverted = bytes(255 - b for b in picture)
    one_pixel = bytearray(picture)
    one_pixel[517] ^= 0x10
    ball = []
    for i in range(6):
        frame = bytearray(1024)
        for x in range(20):
            frame[3 * 128 + 7 * i + x] = 0xFF
            frame[4 * 128 + 100 - 5 * i + x] = 0x3C
        ball.append(bytes(frame))
    return [
        ("sparse", 1024, [noise(1024, 4) for _ in range(4)]),
        ("dense", 1024, [noise(1024, 100) for _ in range(3)]),
        ("every_pixel", 1024, [picture, inverted, picture]),
        ("nothing", 1024, [picture, picture, picture]),
        ("one_pixel", 1024, [picture, bytes(one_pixel), picture]),
        ("moving", 1024, ball),
        ("odd_size", 7, [noise(7, 60) for _ in range(5)]),
    ]


def program(headers, main):
    return "".join(f'#include "{h}_frames.h"\n' for h in headers) + '#include "panelbake_play.h"\n\n' + main


def plays(names, before, after):
    """Each animation's part of the program: its frames played twice over, each between the
    statements `before` and `after`."""
    calls = []
    for name in names:
        calls.append(f"""    panelbake_play_start(&player, {name}_frames_stream);
    for (pass = 0; pass < 2 * {name.upper()}_FRAMES_COUNT; ++pass) {{
        {before}
        panelbake_play_frame(&player, buffer);
        {after.format(bytes=name.upper() + "_FRAMES_BYTES")}
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


@unittest.skipUnless(STREAMTOOL, "STREAMTOOL is not set")
class Player(TempDirTest):
    def compress(self, animations, memory):
        for name, size, frames in animations:
            self.write(name + ".frames", b"".join(frames))
            run = subprocess.run(converter_command("header", name + "_frames.h", "128", "64", str(size), name + ".frames",
                                                   memory, *["100"] * len(frames), program=STREAMTOOL),
                                 cwd=self.dir, capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stderr)

    def build(self, compiler, source, *flags):
        self.write("player.c", source.encode())
        result = subprocess.run([compiler, "-Wall", "-Wextra", "-Werror", "-pedantic", *flags, "player.c"],
                                cwd=self.dir, capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)

    def expected(self, animations):
        return [frames[i % len(frames)] for _, _, frames in animations for i in range(2 * len(frames))]

    def test_host_compilers_play_every_frame(self):
        all_animations = animations()
        self.compress(all_animations, "plain")
        names = [name for name, _, _ in all_animations]
        source = program(names, HOST_MAIN.format(plays=plays(names, ";", "fwrite(buffer, 1, {bytes}, stdout);")))
        for standard in ("c89", "c99"):
            with self.subTest(standard=standard):
                self.build("gcc", source, "-std=" + standard, "-o", "player")
                out = subprocess.run([self.path("player")], capture_output=True, check=True).stdout
                self.assertEqual(out, b"".join(self.expected(all_animations)))

    @unittest.skipIf(EMULATED, CHIP)
    @unittest.skipUnless(shutil.which("avr-gcc") and shutil.which("simavr"), "avr-gcc or simavr is not installed")
    def test_chip_plays_every_frame_in_time(self):
        all_animations = animations()
        self.compress(all_animations, "pgm")
        names = [name for name, _, _ in all_animations]
        source = program(names, CHIP_MAIN.format(plays=plays(names, "start_clock();", "send({bytes});")))
        self.build("avr-gcc", source, "-std=c89", "-Os", "-mmcu=atmega328p", "-fsyntax-only")
        self.build("avr-gcc", source, "-std=c99", "-Os", "-mmcu=atmega328p", "-o", "player.elf")
        run = subprocess.run(["simavr", "-m", "atmega328p", "-f", "16000000", "player.elf"], cwd=self.dir,
                             capture_output=True, text=True, timeout=600)
        played = chip_frames(run.stderr)
        self.assertEqual([data for _, data in played], self.expected(all_animations))
        for i, (cycles, _) in enumerate(played):
            self.assertLessEqual(cycles, FRAME_CYCLES, f"frame {i}")


if __name__ == "__main__":
    unittest.main()
