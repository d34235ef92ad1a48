# SPDX-License-Identifier: MIT
"""Compressed frames played by panelbake_play.h as firmware plays them: the frames header
and the player compiled by gcc as C89 and C99 and run on this machine (its C), and by
avr-gcc for an ATmega328P, with the stream in program memory, run in Debian's simavr (its
assembly). Every frame, played twice over, equals the frame compressed, and the bytes
around the buffer stay as they were; on the chip each frame takes at most 2 ms, and no
longer than the encoder's time model (player_model.h) says, which the encoder holds to 2 ms
in its stead: an edit of the assembly that makes the model wrong fails here. Damaged
streams give the same bytes on the chip, by the assembly and by the C, as on this machine,
whose C the unit tests hold to the stream and the buffer under the sanitizers."""
import os
import random
import re
import shutil
import subprocess
import unittest

from chip_player import (CHIP, FRAME_CYCLES, chip_program, host_program, play_on_chip, sent_frames, stream_header,
                         unguarded)
from glcd_support import EMULATED, SOURCE_DIR, TempDirTest, converter_command

STREAMTOOL = os.environ.get("STREAMTOOL", "")


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
        ("blocks", 48, moving_blocks()),
    ]


def moving_blocks():
    """Frames of 48 bytes with every kind of step in both directions: a block moving
    forward, then back, and a byte of its own."""
    frames = []
    for step in (3, -2):
        for i in range(3):
            frame = bytearray(48)
            at = (24 + step * i) % 43
            frame[at:at + 5] = b"\xff" * 5
            frames.append(bytes(frame))
    frames[1] = b"\x42" + frames[1][1:]
    return frames


def damaged(stream):
    """(name, stream) for `stream` with each byte after its header flipped in three ways,
    and declared at each shorter length, its bytes beyond the length still there (the
    header declares the bytes after it)."""
    out = []
    for at in range(4, len(stream)):
        for flip in (0x01, 0x80, 0xFF):
            changed = bytearray(stream)
            changed[at] ^= flip
            out.append((f"flip_{at}_{flip}", bytes(changed)))
    for length in range(len(stream) - 4):
        out.append((f"cut_{length}", stream[:2] + length.to_bytes(2, "little") + stream[4:]))
    return out


def seed_streams():
    """The player's fuzz seeds and crashers whose frames fit the programs' buffer, their
    length cut to their bytes as the fuzz target cuts it."""
    out = []
    for directory in (os.path.join(SOURCE_DIR, "fuzz", "corpus", "player"),
                      os.path.join(SOURCE_DIR, "tests", "crashers", "player")):
        for name in sorted(os.listdir(directory)):
            with open(os.path.join(directory, name), "rb") as f:
                stream = f.read()
            if int.from_bytes(stream[:2], "little") <= 1024:
                length = min(int.from_bytes(stream[2:4], "little"), len(stream) - 4)
                out.append(("seed_" + name, stream[:2] + length.to_bytes(2, "little") + stream[4:]))
    return out


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

    def modelled(self, animations):
        """Each frame's time on the chip as the encoder's model has it, in clock cycles, in
        the order the programs play them."""
        times = []
        for name, size, frames in animations:
            run = subprocess.run(converter_command("times", str(size), name + ".frames", program=STREAMTOOL),
                                 cwd=self.dir, capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stderr)
            each = [int(line) for line in run.stdout.split()]
            self.assertEqual(len(each), len(frames))
            times += each + each
        return times

    def expected(self, animations):
        return [frames[i % len(frames)] for _, _, frames in animations for i in range(2 * len(frames))]

    def play_on_host(self, source, *flags):
        self.build("gcc", source, *flags, "-o", "player")
        return sent_frames(subprocess.run([self.path("player")], capture_output=True, text=True, check=True).stdout)

    def play_on_the_chip(self, source, *flags):
        self.build("avr-gcc", source, *flags, "-std=c89", "-Os", "-mmcu=atmega328p", "-fsyntax-only")
        self.build("avr-gcc", source, *flags, "-std=c99", "-Os", "-mmcu=atmega328p", "-o", "player.elf")
        return play_on_chip(self.dir, "player.elf")

    def test_host_compilers_play_every_frame(self):
        all_animations = animations()
        self.compress(all_animations, "player")
        source = host_program([name + "_frames" for name, _, _ in all_animations])
        for standard in ("c89", "c99"):
            with self.subTest(standard=standard):
                played = self.play_on_host(source, "-std=" + standard)
                self.assertEqual([unguarded(sent) for _, sent in played], self.expected(all_animations))

    @unittest.skipIf(EMULATED, CHIP)
    @unittest.skipUnless(shutil.which("avr-gcc") and shutil.which("simavr"), "avr-gcc or simavr is not installed")
    def test_chip_plays_every_frame_in_time(self):
        all_animations = animations()
        self.compress(all_animations, "pgm")
        played = self.play_on_the_chip(chip_program([name + "_frames" for name, _, _ in all_animations]))
        self.assertEqual([unguarded(sent) for _, sent in played], self.expected(all_animations))
        for i, ((cycles, _), modelled) in enumerate(zip(played, self.modelled(all_animations))):
            self.assertLessEqual(cycles, FRAME_CYCLES, f"frame {i}")
            self.assertLessEqual(cycles, modelled, f"frame {i}: simavr counts more cycles than the time model")

    @unittest.skipIf(EMULATED, CHIP)
    @unittest.skipUnless(shutil.which("avr-gcc") and shutil.which("simavr"), "avr-gcc or simavr is not installed")
    def test_chip_plays_damaged_streams_as_this_machine_does(self):
        frames = moving_blocks()
        self.compress([("blocks", 48, frames)], "player")
        with open(self.path("blocks_frames.h")) as f:
            text = re.search(r"_frames_stream\[[^\]]*\] = \{([^}]*)\}", f.read()).group(1)
        stream = bytes(int(b, 16) for b in text.replace(",", " ").split())
        streams = damaged(stream) + seed_streams()
        for name, data in streams:
            # Three frames, played twice over: the last frame and the first again.
            stream_header(self.dir, name, data, 3, int.from_bytes(data[:2], "little"))
        names = [name for name, _ in streams]
        on_host = self.play_on_host(host_program(names), "-std=c99")
        # The assembly, and the C that a definition of the read makes the chip play.
        c_on_chip = ("-include", "avr/pgmspace.h", "-DPANELBAKE_PLAY_READ(p)=pgm_read_byte(p)",
                     "-DPANELBAKE_PLAY_MEMORY=PROGMEM")
        for player, flags in (("assembly", ()), ("C", c_on_chip)):
            on_chip = self.play_on_the_chip(chip_program(names), *flags)
            self.assertEqual(len(on_chip), 6 * len(streams))
            for i, ((_, sent), (_, expected)) in enumerate(zip(on_chip, on_host)):
                with self.subTest(player=player, stream=names[i // 6], frame=i % 6):
                    self.assertIsNotNone(unguarded(expected))
                    self.assertEqual(sent, expected)


if __name__ == "__main__":
    unittest.main()
