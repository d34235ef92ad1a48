# SPDX-License-Identifier: MIT
"""panelbake-prepare --compress: an animation's frames compressed into a frames header for
panelbake_play.h, in each C layout.

The frames the player plays, compiled by gcc and by avr-gcc for an ATmega328P run in
simavr, are those of the two steps byte for byte: for pages the arrays panelbake writes for
the frame BMPs that `panelbake-prepare walk.gif [options]` makes, for the other layouts the
frame files `--for` writes uncompressed (which test_layouts holds to those two steps)."""
import os
import random
import shutil
import subprocess
import unittest

from chip_player import CHIP, chip_program, host_program, play_on_chip, sent_frames, unguarded
from glcd_support import EMULATED, POSIX_ONLY, WINDOWS, PrepareTest, header_array
from picture_craft import gif, gif_frame
from test_faults import file_size_limit
from test_layouts import file_bytes, layout_file

LAYOUTS = ("pages", "columns", "adafruit", "xbm")
PREPARED, COMMAND_LINE, EXISTS, WRITE_FAILED, TOO_LARGE = 0, 1, 5, 6, 9
PALETTE = [(0, 0, 0), (255, 255, 255), (128, 128, 127), (128, 127, 127), (200, 30, 90), (20, 200, 120)]


def animations():
    """(name, width, height, frames of palette indices, options): random ones, and some made
    to be hard for the codec. Every frame's bytes fit the test programs' 1024-byte buffer."""
    rng = random.Random(28)

    def noise(width, height, colours=6):
        return [[rng.randrange(colours) for _ in range(width)] for _ in range(height)]

    picture = noise(13, 10, 2)
    inverted = [[1 - v for v in row] for row in picture]
    one_pixel = [row[:] for row in picture]
    one_pixel[7][5] ^= 1
    bar = [[[0 if 6 * k <= x < 6 * k + 20 and 9 <= y < 17 else 1 for x in range(130)] for y in range(37)]
           for k in range(5)]
    return [
        ("random", 130, 37, [noise(130, 37) for _ in range(4)], ()),
        ("scaled", 29, 21, [noise(29, 21) for _ in range(3)], ("-w", "40", "-h", "24", "--dither", "atkinson")),
        ("turned", 13, 10, [noise(13, 10) for _ in range(3)], ("--rotate", "90", "--invert", "--threshold", "500")),
        ("every_pixel", 13, 10, [picture, inverted, picture], ()),
        ("nothing", 13, 10, [picture, picture, picture], ()),
        ("one_pixel", 13, 10, [picture, one_pixel, picture], ()),
        ("moving", 130, 37, bar, ()),
    ]


def stem(name, layout):
    """The frames header's identifier stem: walk_frames, walk_frames_adafruit, ..."""
    return name + "_frames" + ("" if layout == "pages" else "_" + layout)


class Compress(PrepareTest):
    def compress_all(self, folder, *flags):
        """Every animation compressed in every C layout into `folder`, with `flags`; the
        frames of the two steps, each animation's for each layout, in order."""
        for made in (folder, "chain", "plain"):
            os.makedirs(self.path(made), exist_ok=True)
        expected = {}
        for name, width, height, frames, options in animations():
            self.write(name + ".gif", gif(width, height, PALETTE, [gif_frame(0, 0, f, delay=3 * k + 5)
                                                                   for k, f in enumerate(frames)]))
            out = self.prepared(name + ".gif", "--compress", "--for", ",".join(LAYOUTS), "-o", folder + name + ".bmp",
                                "-v", *options, *flags)
            written = ['wrote "%s%s.h"' % (folder, stem(name, layout)) for layout in LAYOUTS]
            # The player beside them once; after that the one there is the same.
            self.assertIn(out.splitlines(), (written, written + ['wrote "%spanelbake_play.h"' % folder]))
            expected.update(self.two_steps(name, len(frames), options))
        return expected

    def two_steps(self, name, count, options):
        """Each layout's frames (page columns as panelbake writes them for the frame BMPs)."""
        self.prepared(name + ".gif", "-o", "chain/%s.bmp" % name, "--force", *options)
        self.prepared(name + ".gif", "-o", "plain/%s.bmp" % name, "--force", "--for", ",".join(LAYOUTS[1:]), *options)
        frames = {layout: [] for layout in LAYOUTS}
        for k in range(count):
            frame = "%s_%02d" % (name, k)
            run = self.run_tool("chain/%s.bmp" % frame)
            self.assertEqual((run.code, run.err), (0, ""))
            frames["pages"].append(bytes(header_array(self.read_header("chain/%s_glcd.h" % frame))))
            for layout in LAYOUTS[1:]:
                frames[layout].append(file_bytes(self.read_header("plain/" + layout_file(layout, frame))))
        return {stem(name, layout): frames[layout] for layout in LAYOUTS}

    def build(self, folder, compiler, source, *flags):
        self.write(folder + "player.c", source.encode())
        run = subprocess.run([compiler, "-Wall", "-Wextra", "-Werror", "-pedantic", *flags, "player.c"],
                             cwd=self.path(folder), capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)

    def assert_played(self, played, expected):
        """`played` holds each animation's frames twice over, in the order of `expected`."""
        at = 0
        for name, frames in expected.items():
            twice = frames + frames
            with self.subTest(animation=name):
                self.assertEqual(played[at:at + len(twice)], twice)
            at += len(twice)
        self.assertEqual(len(played), at)

    def test_gcc_plays_the_two_steps_frames_in_every_layout(self):
        expected = self.compress_all("")
        source = host_program(list(expected))
        for standard in ("c89", "c99"):
            self.build("", "gcc", source, "-std=" + standard, "-o", "player")
            out = subprocess.run([self.path("player")], capture_output=True, text=True, check=True).stdout
            self.assert_played([unguarded(sent) for _, sent in sent_frames(out)], expected)
        # Nothing but the frames headers and the player: no frame BMPs or frame headers.
        top = sorted(f for f in self.files() if os.sep not in f and not f.endswith((".gif", ".c")) and f != "player")
        self.assertEqual(top, sorted(["panelbake_play.h"] + [stem(name, layout) + ".h" for name in
                                                             (a[0] for a in animations()) for layout in LAYOUTS]))
        # -pic30 declares the stream in auto_psv space, which the player reads as plain memory.
        os.mkdir(self.path("pic30"))
        self.prepared("nothing.gif", "--compress", "--for", ",".join(LAYOUTS), "-pic30", "-o", "pic30/nothing.bmp")
        self.build("pic30/", "gcc", host_program([stem("nothing", layout) for layout in LAYOUTS]), "-std=c99",
                   "-Wno-attributes", "-fsyntax-only")

    @unittest.skipIf(EMULATED, CHIP)
    @unittest.skipUnless(shutil.which("avr-gcc") and shutil.which("simavr"), "avr-gcc or simavr is not installed")
    def test_chip_plays_them_from_program_memory_with_and_without_pgm(self):
        # Without -pgm the stream is still where the player reads it on AVR: in program memory.
        for folder, flags in (("plain_memory/", ()), ("pgm/", ("-pgm",))):
            with self.subTest(flags=flags):
                expected = {s: f for s, f in self.compress_all(folder, *flags).items() if s.startswith(("random", "moving"))}
                self.build(folder, "avr-gcc", chip_program(list(expected)), "-std=c99", "-Os", "-mmcu=atmega328p",
                           "-o", "player.elf")
                self.assert_played([unguarded(sent) for _, sent in play_on_chip(self.path(folder), "player.elf")],
                                   expected)

    def test_refusals(self):
        self.write_walk()
        self.write("still.gif", gif(13, 10, PALETTE, [gif_frame(0, 0, [[1] * 13] * 10)]))
        subprocess.run(["/usr/bin/convert", "-size", "4x4", "xc:red", self.path("logo.png")], check=True)
        before = self.files()
        still = "--compress makes the frames of an animated GIF, and it is a still picture"
        cases = [
            (("logo.png", "--compress"), COMMAND_LINE, 'Error: source file "logo.png": ' + still),
            (("still.gif", "--compress"), COMMAND_LINE, 'Error: source file "still.gif": ' + still),
            (("--table", "t", "walk.gif", "--compress"), COMMAND_LINE,
             "Error: --compress makes the frames header of one animation: give one picture, without --table"),
            (("walk.gif", "logo.png", "--compress"), COMMAND_LINE, "Error: --compress makes the frames header of one"),
            (("walk.gif", "--compress", "--for", "pages,micropython"), COMMAND_LINE,
             "Error: --compress writes C for panelbake_play.h, and --for micropython is a Python module"),
            # 1024 columns in 65 pages: 66560 bytes a frame, more than the player's 16-bit counts.
            (("walk.gif", "--compress", "-w", "1024", "-h", "520"), TOO_LARGE,
             'Error: source file "walk.gif": its frames do not fit panelbake_play.h: a frame of 66560 bytes; '
             "the player takes 1 to 65535"),
        ]
        for args, code, message in cases:
            with self.subTest(args=args):
                got, out, err = self.prepare(*args)
                self.assertEqual(got, code, err)
                self.assertTrue(err.startswith(message), err)
                self.assertEqual(self.files(), before)

    def write_walk(self):
        self.write("walk.gif", gif(13, 10, PALETTE, [gif_frame(0, 0, [[(x + y + k) % 2 for x in range(13)]
                                                                       for y in range(10)]) for k in range(3)]))

    def test_existing_files(self):
        self.write_walk()
        self.write("walk_frames.h", b"kept")
        code, out, err = self.prepare("walk.gif", "--compress")
        self.assertEqual((code, err), (EXISTS, 'Error: "walk_frames.h" exists; give --force to replace it\n'))
        self.assertEqual(self.files(), ["walk.gif", "walk_frames.h"])
        # The player there is replaced only with --force, unless it is the one this program writes.
        self.write("panelbake_play.h", b"/* edited */\n")
        code, out, err = self.prepare("walk.gif", "--compress", "-o", "run.bmp")
        self.assertEqual((code, err), (EXISTS, 'Error: "panelbake_play.h" exists; give --force to replace it\n'))
        self.assertEqual(self.prepared("walk.gif", "--compress", "-o", "run.bmp", "--force", "-v"),
                         'wrote "run_frames.h"\nwrote "panelbake_play.h"\n')
        self.assertEqual(self.prepared("walk.gif", "--compress", "--force", "-v"), 'wrote "walk_frames.h"\n')
        self.assertIn("#include \"panelbake_play.h\"", self.read_header("walk_frames.h"))

    @unittest.skipIf(WINDOWS, POSIX_ONLY)
    def test_full_disk_leaves_nothing_behind(self):
        self.write_walk()
        self.write("walk_frames.h", b"kept")
        before = {name: self.read(name) for name in self.files()}
        code, out, err = self.prepare("walk.gif", "--compress", "--force", preexec_fn=file_size_limit(200))
        self.assertEqual((code, err), (WRITE_FAILED, 'Error: could not write "walk_frames.h"\n'))
        self.assertEqual({name: self.read(name) for name in self.files()}, before)


if __name__ == "__main__":
    unittest.main()
