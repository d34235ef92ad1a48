# SPDX-License-Identifier: MIT
"""The converter run as a user runs it: messages, exit codes and output files."""
import os
import struct
import unittest

from PIL import Image

from glcd_support import WINDOWS, TempDirTest, bmp24, fit, host_path, pattern, reduce, rescale

USAGE = (
    "\n"
    "Usage: panelbake <image.bmp> <options>\n"
    "\t-h <height>\ttarget image height in pixels\n"
    "\t-w <width>\ttarget image width in pixels\n"
    "\t-v\tverbose mode\n"
    "\t-pgm\tcrate header with __attribute__ ((progmem)) for AVR\n"
    "\t-pic30\tcrate header whith __attribute__((space(auto_psv))) for PIC30\n"
    "\n"
    "This program converts a bitmap to binary bitmap (black and white) with 8bit page\n"
    "height that can be written directly to graphical lcd display. A c-header file is\n"
    "created where data bytes represent pixels in page columns rather than in lines.\n"
    "The created bitmap is solely to see the result image in simple way.\n"
    "\n"
)

NOT_BMP = 'Error: source file "%s" is not a supported BMP file\n'
CANNOT_OPEN = 'Error: source file "%s" can not be openend\n'
TOO_LARGE = "Error: target size is too large\n"


def verbose_lines(height, width, target_height, target_width, base):
    return ("Source height:%d    source width:%d\n" % (height, width),
            "Target height:%d    target width:%d\n" % (target_height, target_width),
            'writing a 1bpp image as "%s.bmp"\n' % base,
            'writing header file as  "%s.h"\n' % base)


class StartUp(TempDirTest):
    def test_no_source_prints_usage(self):
        r = self.run_tool()
        self.assertEqual((r.code, r.out, r.err), (254, USAGE, ""))
        self.assertEqual(self.files(), [])

    def test_source_that_cannot_be_opened(self):
        # The first argument is the source path even when it looks like an option.
        for args in (["missing.bmp"], ["missing.bmp", "-v"], ["-v", "-h", "8"]):
            with self.subTest(args=args):
                r = self.run_tool(*args)
                self.assertEqual((r.code, r.out), (255, ""))
                self.assertEqual(r.err, CANNOT_OPEN % args[0])
                self.assertEqual(self.files(), [])


class WorkedExamples(TempDirTest):
    # name, source size, options, target size, scaling (None: the target stays 1 x 1 white)
    CASES = [
        ("as is", (84, 48), [], (84, 48), ("h", 48)),
        ("height 64", (84, 48), ["-h", "64"], (112, 64), ("h", 64)),
        ("height 64 portrait", (48, 84), ["-h", "64"], (36, 64), ("w", 36)),
        ("both square", (100, 100), ["-w", "128", "-h", "64"], (128, 64), ("h", 64)),
        ("square target", (84, 48), ["-w", "64", "-h", "64"], (64, 64), ("h", 64)),
        ("both wide", (200, 50), ["-w", "128", "-h", "64"], (128, 64), ("h", 64)),
        ("just below 64", (49, 49), ["-h", "64"], (63, 64), ("w", 63)),
        ("width given", (84, 48), ["-w", "40"], (40, 22), ("h", 22)),
        ("later wins", (84, 48), ["-h", "64", "-w", "32", "-h", "48"], (32, 48), ("w", 32)),
        ("one row", (20, 1), [], (20, 1), ("h", 1)),
        ("partial page", (21, 13), ["-x", "-pgmx", "7"], (21, 13), ("h", 13)),
        ("height last", (30, 20), ["-w", "15", "-h"], (15, 10), ("h", 10)),
        ("width zero", (84, 48), ["-w", "0"], (1, 1), None),
        ("width not a number", (84, 48), ["-w", "abc"], (1, 1), None),
        ("height zero", (84, 48), ["-h", "0"], (1, 1), None),
    ]

    def test_outputs(self):
        for name, (w, h), args, (tw, th), scaling in self.CASES:
            with self.subTest(name):
                pixels = pattern(w, h)
                self.write("logo.bmp", bmp24(pixels))
                r = self.run_tool("logo.bmp", *args)
                self.assertEqual((r.code, r.out, r.err), (0, "", ""))
                if scaling is None:
                    expected = [[False]]
                else:
                    expected = reduce(fit(rescale(pixels, *scaling), tw, th))
                self.assertEqual((len(expected[0]), len(expected)), (tw, th))
                self.assert_outputs("logo_glcd", expected)
                if name == "height 64 portrait":  # scaled to 36 x 63
                    self.assertFalse(any(expected[63]))
                if name == "both square":  # scaled to 64 x 64
                    self.assertFalse(any(any(row[64:]) for row in expected))

    def test_source_formats_of_other_programs(self):
        pixels = pattern(37, 19)
        image = Image.new("RGB", (37, 19))
        image.putdata([p for row in pixels for p in row])
        for mode in ("1", "P", "L", "RGB", "RGBA"):
            with self.subTest(mode=mode):
                converted = image.convert(mode)
                converted.save(self.path("pic.bmp"))
                r = self.run_tool("pic.bmp")
                self.assertEqual((r.code, r.out, r.err), (0, "", ""))
                rgb = list(converted.convert("RGB").getdata())
                self.assert_outputs("pic_glcd", reduce([rgb[y * 37:(y + 1) * 37] for y in range(19)]))

    def test_existing_outputs_are_replaced(self):
        self.write("logo.bmp", bmp24(pattern(16, 8)))
        self.write("logo_glcd.h", b"x" * 100000)
        self.write("logo_glcd.bmp", b"y" * 100000)
        self.assertEqual(self.run_tool("logo.bmp").code, 0)
        self.assert_outputs("logo_glcd", reduce(pattern(16, 8)))

    def test_attribute_options(self):
        self.write("logo.bmp", bmp24(pattern(9, 9)))
        for args, declaration in (
                (["-pgm"], "static const unsigned char __attribute__ ((progmem)) "),
                (["-pic30"], "static unsigned char __attribute__((space(auto_psv))) "),
                (["-pic30", "-pgm"], "static const unsigned char __attribute__ ((progmem)) ")):
            with self.subTest(args=args):
                self.assertEqual(self.run_tool("logo.bmp", *args).code, 0)
                self.assert_outputs("logo_glcd", reduce(pattern(9, 9)), declaration)


class Verbose(TempDirTest):
    def test_progress_lines_follow_library_messages(self):
        self.write("logo.bmp", bmp24(pattern(84, 48), extra=b"meta"))
        r = self.run_tool("logo.bmp", "-v")
        self.assertEqual((r.code, r.err), (0, ""))
        self.assertEqual(r.out, "".join((
            "Picture Warning: Extra meta data detected in file logo.bmp\n",
            "                 Data will be skipped.\n",
            *verbose_lines(48, 84, 48, 84, "logo_glcd"))))
        self.assert_outputs("logo_glcd", reduce(pattern(84, 48)))

    def test_zero_width_warns_between_target_and_preview(self):
        self.write("logo.bmp", bmp24(pattern(84, 48)))
        r = self.run_tool("logo.bmp", "-w", "0", "-v")
        source, target, preview, header = verbose_lines(48, 84, -1, 0, "logo_glcd")
        self.assertEqual((r.code, r.err), (0, ""))
        self.assertEqual(r.out, "".join((
            source, target,
            "Picture Warning: User attempted to set a non-positive width or height.\n",
            "                 Size remains unchanged at 1 x 1.\n",
            preview, header)))

    def test_scaling_warnings_come_before_the_target_line(self):
        # Scaling one pixel up reads past its edge: 48 clamped reads for a 3 x 3 result.
        self.write("dot.bmp", bmp24([[(0, 0, 0)]]))
        r = self.run_tool("dot.bmp", "-h", "3", "-v")
        source, target, preview, header = verbose_lines(1, 1, 3, 3, "dot_glcd")
        warning = ("Picture Warning: Attempted to access non-existent pixel;\n"
                   "                 Truncating request to fit in the range [0,0] x [0,0].\n")
        self.assertEqual((r.code, r.err), (0, ""))
        self.assertEqual(r.out, source + warning * 48 + target + preview + header)
        self.assert_outputs("dot_glcd", [[True] * 3] * 3)

    def test_value_of_height_can_be_the_verbose_switch(self):
        self.write("logo.bmp", bmp24(pattern(8, 8)))
        r = self.run_tool("logo.bmp", "-h", "-v")
        self.assertEqual(r.code, 0)
        self.assertTrue(r.out.startswith("Source height:8    source width:8\nTarget height:0    target width:-1\n"),
                        r.out)


class RejectedSources(TempDirTest):
    """A source that opens but does not load stops the run; no output is written."""

    def test_not_loadable(self):
        truncated_header = bmp24(pattern(4, 4))[:30]
        rle = bytearray(bmp24(pattern(4, 4)))
        struct.pack_into("<I", rle, 30, 1)
        png = self.path("picture.png")
        Image.new("RGB", (4, 4)).save(png)
        with open(png, "rb") as f:
            png_bytes = f.read()
        os.remove(png)
        cases = [
            ("png renamed", png_bytes, "Picture Error: x.bmp is not a Windows BMP file!\n"),
            ("empty", b"", "Picture Error: x.bmp is obviously corrupted.\n"),
            ("header cut", truncated_header, "Picture Error: x.bmp is obviously corrupted.\n"),
            ("compressed", bytes(rle), "Picture Error: x.bmp is (RLE) compressed.\n"
                                       "               Picture does not support compression.\n"),
        ]
        for name, data, library_message in cases:
            with self.subTest(name):
                self.write("x.bmp", data)
                r = self.run_tool("x.bmp")
                self.assertEqual((r.code, r.out, r.err), (255, "", NOT_BMP % "x.bmp"))
                r = self.run_tool("x.bmp", "-v")
                self.assertEqual((r.code, r.out, r.err), (255, library_message, NOT_BMP % "x.bmp"))
                self.assertEqual(self.files(), ["x.bmp"])

    def test_directory(self):
        # Windows does not open a directory as a file; Linux opens it and reads nothing.
        os.mkdir(self.path("d.bmp"))
        r = self.run_tool("d.bmp")
        self.assertEqual((r.code, r.out, r.err), (255, "", (CANNOT_OPEN if WINDOWS else NOT_BMP) % "d.bmp"))

    def test_truncated_pixel_data_still_converts(self):
        pixels = [[(0, 0, 0)] * 8 for _ in range(16)]
        data = bmp24(pixels)
        self.write("cut.bmp", data[:54 + 8 * 24])  # the bottom 8 rows only
        r = self.run_tool("cut.bmp", "-v")
        self.assertEqual((r.code, r.err), (0, ""))
        self.assertTrue(r.out.startswith("Picture Error: Could not read proper amount of data.\n"
                                         "Source height:16    source width:8\n"), r.out)
        self.assert_outputs("cut_glcd", [[False] * 8] * 8 + [[True] * 8] * 8)


class OutputNames(TempDirTest):
    def test_outputs_land_next_to_the_source(self):
        cases = [
            ("art-work/my-logo.v2.bmp", "art-work/my_logo.v2_glcd"),
            ("x.bmp.d/a b.bmp.bmp", "x.bmp.d/a b_glcd.bmp"),
            ("LOGO.BMP", "LOGO.BMP"),
            ("0-1.bmp", "0_1_glcd"),
            # UTF-8 names are seen, printed and created as given, on Windows too.
            ("λογότυπο-1.bmp", "λογότυπο_1_glcd"),
            ("日本/ロゴ.bmp", "日本/ロゴ_glcd"),
            ("über-bild.bmp", "über_bild_glcd"),
        ]
        for source, base in cases:
            with self.subTest(source):
                self.write(source, bmp24(pattern(10, 9)))
                r = self.run_tool(source, "-v")
                self.assertEqual((r.code, r.err), (0, ""))
                self.assertEqual(r.out, "".join(verbose_lines(9, 10, 9, 10, base)))
                self.assert_outputs(base, reduce(pattern(10, 9)))

    def test_absolute_path(self):
        source = host_path(self.write("in-dir/logo.bmp", bmp24(pattern(5, 3))))
        self.assertEqual(self.run_tool(source).code, 0)
        self.assert_outputs("in-dir/logo_glcd", reduce(pattern(5, 3)))

    def test_output_path_taken_by_a_directory(self):
        self.write("logo.bmp", bmp24(pattern(5, 3)))
        os.mkdir(self.path("logo_glcd.bmp"))
        r = self.run_tool("logo.bmp")
        self.assertEqual((r.code, r.out, r.err), (254, "", "Error on creating preview file\n"))
        self.assertNotIn("logo_glcd.h", self.files())
        os.rmdir(self.path("logo_glcd.bmp"))
        os.mkdir(self.path("logo_glcd.h"))
        r = self.run_tool("logo.bmp", "-v")
        self.assertEqual((r.code, r.err), (254, "Error on creating header file\n"))
        self.assertEqual(r.out, "".join(verbose_lines(3, 5, 3, 5, "logo_glcd")[:3]))
        self.assertEqual(self.files(), ["logo.bmp", "logo_glcd.bmp"])


class TargetTooLarge(TempDirTest):
    def test_too_large(self):
        self.write("wide.bmp", bmp24([[(0, 0, 0)] * 1000]))
        self.write("small.bmp", bmp24(pattern(84, 48)))
        for source, args in (("wide.bmp", ["-h", "2000000000"]),   # computed width beyond 32 bits
                             ("small.bmp", ["-w", "20000", "-h", "20000"]),  # above 2^28 pixels
                             ("small.bmp", ["-w", "300000000", "-h", "1"])):  # only the target
            with self.subTest(args=args):
                r = self.run_tool(source, *args)
                self.assertEqual((r.code, r.out, r.err), (254, "", TOO_LARGE))
                self.assertEqual(self.files(), ["small.bmp", "wide.bmp"])


if __name__ == "__main__":
    unittest.main()
