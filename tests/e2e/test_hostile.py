# SPDX-License-Identifier: MIT
"""Hostile source files: every one ends cleanly, with its message and exit code, no
output for a refused file, and within small bounds of time and memory."""
import os
import struct
import subprocess
import tempfile
import time
import unittest

from bmp_craft import bmp, gray_table, pattern_rows
from glcd_support import EMULATED, LINE_END, WINDOWS, TempDirTest, converter_command, header_array, text_of

NOT_LOADED = 255       # exit code -1
NOT_CONVERTED = 254    # exit code -2
LIMIT = " is larger than 268435456 pixels."
SANITIZED = os.environ.get("PANELBAKE_SANITIZED") == "1"
# A refusal or a small conversion takes milliseconds (bench/run times them); a run is held only to
# what no healthy one comes near on a busy machine or under an emulator, to catch a hang or a
# picture decoded that should have been refused.
HANG_SECONDS = 10


def run_measured(args, cwd, preexec_fn=None):
    """Runs the converter and returns (exit code, stdout, stderr, seconds, peak resident
    memory in KiB). The peak is taken by /usr/bin/time: a child forked from this Python
    process would count the interpreter's own pages."""
    with tempfile.NamedTemporaryFile("r") as usage:
        start = time.monotonic()
        proc = subprocess.run(["/usr/bin/time", "-q", "-f", "%M", "-o", usage.name, *converter_command(*args)],
                              cwd=cwd, capture_output=True, preexec_fn=preexec_fn, timeout=900)
        seconds = time.monotonic() - start
        peak = int(usage.read().split()[-1])
    return proc.returncode, text_of(proc.stdout), text_of(proc.stderr), seconds, peak


def claim(width, height, bits=24, **fields):
    """A 58-byte file: full headers claiming width x height, and four bytes of data."""
    return bmp(width, height, bits, rows=[b"\0\0\0\0"], table=b"", **fields)


class RefusedFiles(TempDirTest):
    """Files the reader refuses: the library says why under -v, the converter reports
    the source as unsupported, exits with -1 and writes nothing."""

    CASES = [
        # name, file, library message after "Picture Error: f.bmp"
        ("width 0", claim(0, 5), " has a non-positive width or height."),
        ("height 0", claim(5, 0), " has a non-positive width or height."),
        ("negative width", claim(-5, 5), " has a non-positive width or height."),
        ("top-down rows", claim(5, -5), " has a non-positive width or height."),
        ("most negative height", claim(5, -2**31), " has a non-positive width or height."),
        ("width 2^31-1", claim(2**31 - 1, 1), LIMIT),
        ("height 2^31-1", claim(1, 2**31 - 1), LIMIT),
        ("both 2^31-1", claim(2**31 - 1, 2**31 - 1), LIMIT),
        ("product wraps to 0 in 32 bits", claim(65536, 65536), LIMIT),
        ("product wraps to -1 in 32 bits", claim(65537, 65535), LIMIT),
        ("one pixel over the limit", claim(2**28 + 1, 1), LIMIT),
        ("32-bit row beyond 2^31 bytes", claim(2**29, 1, 32), LIMIT),
        ("1-bit, over the limit", claim(2**20, 2**9, 1), LIMIT),
        ("depth 0", claim(4, 4, 0), " has unrecognized bit depth."),
        ("depth 2", claim(4, 4, 2), " has unrecognized bit depth."),
        ("depth 64", claim(4, 4, 64), " has unrecognized bit depth."),
        ("depth 65535", claim(4, 4, 65535), " has unrecognized bit depth."),
        ("compression 2^32-1", claim(4, 4, 24, compression=0xFFFFFFFF), " is in an unsupported format."),
        ("bit fields at 32 bits", claim(4, 4, 32, compression=3), " uses bit fields and is not a"),
        ("run-length at 8 bits", claim(4, 4, 8, compression=1), " is (RLE) compressed."),
        ("header cut short", claim(4, 4)[:40], " is obviously corrupted."),
    ]

    def test_each_is_refused_with_its_message(self):
        for name, data, message in self.CASES:
            with self.subTest(name):
                self.write("f.bmp", data)
                code, out, err, seconds, _ = run_measured(["f.bmp", "-v"], self.dir)
                self.assertEqual(code, NOT_LOADED)
                self.assertEqual(out.splitlines()[0], "Picture Error: f.bmp" + message)
                self.assertEqual(err, 'Error: source file "f.bmp" is not a supported BMP file\n')
                self.assertEqual(self.files(), ["f.bmp"])
                self.assertLess(seconds, HANG_SECONDS)

    def test_sources_that_are_no_regular_file(self):
        os.mkdir(self.path("folder"))
        cases = [("folder", " is obviously corrupted.")]
        if not WINDOWS:  # devices are POSIX
            cases.append(("/dev/zero", " is not a Windows BMP file!"))
        for source, message in cases:
            with self.subTest(source):
                code, out, err, _, _ = run_measured([source, "-v"], self.dir)
                self.assertEqual(code, NOT_LOADED)
                if WINDOWS:  # a directory does not open as a file there
                    self.assertEqual((out, err), ("", 'Error: source file "%s" can not be openend\n' % source))
                else:
                    self.assertEqual(out, "Picture Error: " + source + message + "\n")
                    self.assertEqual(err, 'Error: source file "%s" is not a supported BMP file\n' % source)
                self.assertEqual(self.files(), [])

    def test_decompression_bomb_is_refused_at_once(self):
        # 58 bytes claiming 30000 x 30000 pixels: 3.6 GB of grid if it were believed.
        self.write("bomb.bmp", claim(30000, 30000))
        self.assertEqual(os.path.getsize(self.path("bomb.bmp")), 58)
        code, out, err, seconds, peak_kib = run_measured(["bomb.bmp"], self.dir)
        self.assertEqual((code, out), (NOT_LOADED, ""))
        self.assertIn("not a supported BMP file", err)
        # A plain build takes a few milliseconds and about 4 MiB; the sanitizers' runtime
        # adds some 16 MiB. The memory shows that nothing was decoded.
        self.assertLess(seconds, HANG_SECONDS)
        if not EMULATED:  # the emulator's own memory would be measured
            self.assertLess(peak_kib, (48 if SANITIZED else 16) * 1024)


class ToleratedFiles(TempDirTest):
    """Odd but readable files: they convert (exit 0) with the pixels the rules give."""

    def convert(self, data, *options):
        self.write("f.bmp", data)
        code, out, err, seconds, _ = run_measured(["f.bmp", "-v", *options], self.dir)
        self.assertEqual(code, 0, out + err)
        self.assertLess(seconds, HANG_SECONDS)
        return out, header_array(self.read_header("f_glcd.h"))

    def test_offsets_that_point_into_the_headers(self):
        # Pixel data is then read right after the headers; at 8 bits no table entry
        # is present and the whole table is white.
        for off_bits in (0, 20, 53, 0xFFFFFFF0, 0x80000000):
            with self.subTest(off_bits=off_bits):
                out, data = self.convert(bmp(8, 8, 24, rows=[bytes(24)] * 8, off_bits=off_bits))
                self.assertNotIn("Picture", out)
                self.assertEqual(data, [0xFF] * 8)
                out, data = self.convert(bmp(8, 8, 8, rows=[bytes(8)] * 8, table=b"", off_bits=off_bits))
                self.assertIn("has an underspecified", out)
                self.assertEqual(data, [0x00] * 8)

    def test_offset_far_past_the_end_skips_to_a_white_picture(self):
        out, data = self.convert(bmp(8, 8, 24, rows=[bytes(24)] * 8, off_bits=0x7FFFFFFF))
        self.assertIn("Picture Warning: Extra meta data detected in file f.bmp", out)
        self.assertIn("Picture Error: Could not read proper amount of data.", out)
        self.assertEqual(data, [0x00] * 8)

    def test_huge_colour_counts_and_header_sizes_are_ignored(self):
        black = bytes(4) * 256
        for fields in ({"clr_used": 0xFFFFFFFF}, {"clr_important": 0xFFFFFFFF}, {"bi_size": 0xFFFFFFFF},
                       {"bi_size": 0}, {"planes": 0}, {"size_image": 0xFFFFFFFF}):
            with self.subTest(**fields):
                out, data = self.convert(bmp(8, 8, 8, rows=[bytes(8)] * 8, table=black, **fields))
                self.assertNotIn("Picture", out)
                self.assertEqual(data, [0xFF] * 8)

    def test_indices_past_a_short_table_are_white(self):
        # Two black entries; every index from 2 up falls in the white padding.
        two_black = bytes(8)
        rows_8 = [bytes((0, 1, 2, 3, 128, 200, 254, 255))] * 8
        rows_4 = [bytes((0x01, 0x23, 0x9A, 0xF0))] * 8
        for bits, rows, expected in ((8, rows_8, [0xFF, 0xFF, 0, 0, 0, 0, 0, 0]),
                                     (4, rows_4, [0xFF, 0xFF, 0, 0, 0, 0, 0, 0xFF])):
            with self.subTest(bits=bits):
                out, data = self.convert(bmp(8, 8, bits, rows=rows, table=two_black))
                self.assertIn("Picture Warning: file f.bmp has an underspecified", out)
                self.assertEqual(data, expected)

    def test_sixteen_bit_masks_of_any_shape(self):
        # Words 0x0000, 0x7FFF, 0x8000, 0xFFFF across the row, twice.
        row = struct.pack("<8H", 0, 0x7FFF, 0x8000, 0xFFFF, 0, 0x7FFF, 0x8000, 0xFFFF)
        cases = [
            ("all zero: every pixel black", (0, 0, 0), [0xFF] * 8),
            # Each channel is the top five bits: white from 0x8000 on.
            ("all 0xFFFF", (0xFFFF, 0xFFFF, 0xFFFF), [0xFF, 0xFF, 0, 0] * 2),
            # Non-contiguous masks keep every channel within 0..248.
            ("non-contiguous", (0x8001, 0x5555, 0xAAAA), None),
            ("high halves only", (0xFFFF0000, 0xFFFF0000, 0xFFFF0000), [0xFF] * 8),
        ]
        for name, masks, expected in cases:
            with self.subTest(name):
                out, data = self.convert(bmp(8, 8, 16, rows=[row] * 8, masks=masks))
                self.assertNotIn("Picture", out)
                self.assertEqual(len(data), 8)
                if expected is not None:
                    self.assertEqual(data, expected)


class TruncatedFiles(TempDirTest):
    """A small valid file cut at every offset: up to the end of the headers it is
    refused as corrupted; from there on it converts, with the rows that arrived."""

    SOURCES = [
        ("4-bit with colour table", bmp(5, 3, 4, table=gray_table(16)), True),
        ("16-bit 5-6-5", bmp(3, 3, 16, masks=(0xF800, 0x07E0, 0x001F)), False),
        ("24-bit", bmp(3, 2, 24), True),
        ("1-bit V5 header", bmp(9, 2, 1, info_tail=bytes(84)), True),
    ]

    def test_every_cut(self):
        for name, whole, short_data_reported in self.SOURCES:
            for cut in range(len(whole)):
                with self.subTest(name, cut=cut):
                    self.write("f.bmp", whole[:cut])
                    code, out, err, _, _ = run_measured(["f.bmp", "-v"], self.dir)
                    if cut < 54:
                        self.assertEqual(code, NOT_LOADED, (out, err))
                        self.assertEqual(out, "Picture Error: f.bmp is obviously corrupted.\n")
                        self.assertEqual(self.files(), ["f.bmp"])
                        continue
                    self.assertEqual(code, 0, err)
                    self.assertEqual(err, "")
                    self.assertEqual(short_data_reported,
                                     "Picture Error: Could not read proper amount of data." in out)
                    self.assertEqual(self.files(), ["f.bmp", "f_glcd.bmp", "f_glcd.h"])
                    for output in ("f_glcd.bmp", "f_glcd.h"):
                        os.remove(self.path(output))


class PictureAtTheLimit(TempDirTest):
    """58 bytes claiming 16384 x 16384 pixels, exactly the limit: accepted and converted,
    in about a second with the 32 MiB target as bits, writing 33 MB of preview and 203 MB
    of header."""

    def test_converts(self):
        self.write("big.bmp", claim(16384, 16384))
        code, out, err, seconds, peak_kib = run_measured(["big.bmp"], self.dir)
        print("\n16384 x 16384: %.1f s, peak %d MiB" % (seconds, peak_kib // 1024))
        self.assertEqual((code, out, err), (0, "", ""))
        with open(self.path("big_glcd.h"), "rb") as f:
            f.seek(-80, os.SEEK_END)
            self.assertTrue(f.read().endswith(b"};\n#endif  //define _BIG_GLCD_H \n".replace(b"\n", LINE_END)))
        self.assertEqual(os.path.getsize(self.path("big_glcd.bmp")), 62 + 16384 * 2048)
        if not EMULATED and not SANITIZED:
            self.assertLess(peak_kib, 50 * 1024)


if __name__ == "__main__":
    unittest.main()
