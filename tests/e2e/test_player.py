# SPDX-License-Identifier: MIT
"""Compressed frames played by panelbake_play.h as firmware plays them: the frames header
and the player compiled by gcc as C89 and C99 and run on this machine, and by avr-gcc for
an ATmega328P, with the stream in program memory, run in Debian's simavr. Every frame,
played twice over, equals the frame compressed; on the chip each takes at most 2 ms."""
import os
import random
import shutil
import subprocess
import unittest

from chip_player import FRAME_CYCLES, chip_program, host_program, play_on_chip
from glcd_support import EMULATED, TempDirTest, converter_command

STREAMTOOL = os.environ.get("STREAMTOOL", "")
CHIP = "the chip's tests run in the native pass; here they would run the same programs again"


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
        self.compress(all_animations, "player")
        source = host_program([name + "_frames" for name, _, _ in all_animations])
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
        source = chip_program([name + "_frames" for name, _, _ in all_animations])
        self.build("avr-gcc", source, "-std=c89", "-Os", "-mmcu=atmega328p", "-fsyntax-only")
        self.build("avr-gcc", source, "-std=c99", "-Os", "-mmcu=atmega328p", "-o", "player.elf")
        played = play_on_chip(self.dir, "player.elf")
        self.assertEqual([data for _, data in played], self.expected(all_animations))
        for i, (cycles, _) in enumerate(played):
            self.assertLessEqual(cycles, FRAME_CYCLES, f"frame {i}")


if __name__ == "__main__":
    unittest.main()
