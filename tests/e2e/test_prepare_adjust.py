# SPDX-License-Identifier: MIT
"""panelbake-prepare's adjustments, its reduction to black and white at the display's size,
and the combined header of several pictures.

- Turns, mirrors and inversion are held to Pillow's transpose and ImageOps.invert of the
  picture prepared without them, so every decoder path (the rows of a decoded photo, the
  Bitmap of a BMP or a GIF frame) is held to the same exact reference.
- The default reduction is held to panelbake's own conversion of the same picture.
- Dithering is held to results worked out by hand on small pictures, and on a larger one
  to its defining property: the share of black pixels follows the mean darkness.
"""
import io
import os
import shutil

from PIL import Image, ImageOps

from glcd_support import PrepareTest, header_array
from picture_craft import gif, gif_frame

PREPARED, COMMAND_LINE, NOT_A_PICTURE, EXISTS = 0, 1, 3, 5
W, B = (255, 255, 255), (0, 0, 0)
DITHERS = ("floyd-steinberg", "atkinson", "bayer4", "bayer8")


def varied(width, height):
    image = Image.new("RGB", (width, height))
    image.putdata([((x * 37 + y * 11) % 256, (x * y * 5) % 256, (y * 29 + 7) % 256)
                   for y in range(height) for x in range(width)])
    return image


def encoded(image, kind, **options):
    out = io.BytesIO()
    image.save(out, kind, **options)
    return out.getvalue()


def flat(width, height, grey):
    """A picture of one colour whose red + green + blue is `grey`."""
    third = grey // 3
    return Image.new("RGB", (width, height), (third + (grey % 3 > 0), third + (grey % 3 > 1), third))


def grey_ramp():
    """Sixteen greys in one row whose sums are 0, 51, ..., 765."""
    ramp = Image.new("RGB", (16, 1))
    ramp.putdata([(17 * x,) * 3 for x in range(16)])
    return ramp


class PrepareAdjust(PrepareTest):
    def made(self, source, *args):
        """The picture prepared from `source` with `args`, as a Pillow image."""
        for leftover in ("out.bmp",):
            if os.path.exists(self.path(leftover)):
                os.remove(self.path(leftover))
        code, out, err = self.prepare(source, "-o", "out.bmp", *args)
        self.assertEqual((code, err), (PREPARED, ""), args)
        with Image.open(self.path("out.bmp")) as image:
            return image.convert("RGB")

    def black_and_white(self, image, *args):
        self.write("in.png", encoded(image, "PNG"))
        made = self.made("in.png", *args)
        self.assertLessEqual(set(made.getdata()), {W, B})
        return made

    def test_turns_mirrors_and_inversion_match_pillow(self):
        exif = Image.Exif()
        exif[0x0112] = 6  # a quarter clockwise before any adjustment
        sources = {"still.png": encoded(varied(7, 4), "PNG"),
                   "panelbake.bmp": encoded(varied(5, 3), "BMP"),
                   "turned.jpg": encoded(varied(24, 16), "JPEG", quality=95, exif=exif.tobytes())}
        T = Image.Transpose
        cases = [
            (("--rotate", "90"), [T.ROTATE_270]),  # Pillow turns anticlockwise
            (("--rotate", "180"), [T.ROTATE_180]),
            (("--rotate", "270"), [T.ROTATE_90]),
            (("--flip", "h"), [T.FLIP_LEFT_RIGHT]),
            (("--flip", "v"), [T.FLIP_TOP_BOTTOM]),
            (("--flip", "v", "--rotate", "90", "--flip", "h"), [T.ROTATE_270, T.FLIP_LEFT_RIGHT, T.FLIP_TOP_BOTTOM]),
            (("--invert",), ["invert"]),
            (("--invert", "--rotate", "270", "--flip", "h"), [T.ROTATE_90, T.FLIP_LEFT_RIGHT, "invert"]),
        ]
        for name, data in sources.items():
            self.write(name, data)
            plain = self.made(name)
            for args, steps in cases:
                with self.subTest(source=name, args=args):
                    expected = plain
                    for step in steps:
                        expected = ImageOps.invert(expected) if step == "invert" else expected.transpose(step)
                    adjusted = self.made(name, *args)
                    self.assertEqual(adjusted.size, expected.size)
                    self.assertEqual(list(adjusted.getdata()), list(expected.getdata()))

    def test_default_reduction_is_panelbake_conversion(self):
        self.write("photo.png", encoded(varied(160, 90), "PNG"))
        self.write("logo.bmp", encoded(varied(33, 57).convert("P"), "BMP"))  # 8 bits, read by panelbake itself
        for source in ("photo.png", "logo.bmp"):
            base = os.path.splitext(source)[0]
            self.assertEqual(self.prepare(source, "-o", "plain_" + base + ".bmp")[0], PREPARED)
            for size in (("-h", "64"), ("-w", "128", "-h", "64"), ("-w", "50"), ("-w", "30", "-h", "60")):
                with self.subTest(source=source, size=size):
                    expected = self.run_tool("plain_" + base + ".bmp", *size)
                    self.assertEqual(expected.code, 0)
                    self.assertEqual(self.prepare(source, "-o", "reduced.bmp", "--force", *size)[0], PREPARED)
                    run = self.run_tool("reduced.bmp")
                    self.assertEqual((run.code, run.err), (0, ""))
                    self.assertEqual(header_array(self.read_header("reduced_glcd.h")),
                                     header_array(self.read_header("plain_%s_glcd.h" % base)))

    def test_threshold_cuts_a_ramp(self):
        ramp = grey_ramp()
        # '#' black; inverted, the sums are 765, 714, ..., 0.
        for args, expected in ((("--threshold", "383"), "########........"), (("--threshold", "0"), "." * 16),
                               (("--threshold", "765"), "#" * 15 + "."), (("--threshold", "306"), "######.........."),
                               (("--threshold", "307"), "#######........."),
                               (("--dither", "none", "--threshold", "306"), "######.........."),
                               (("--invert", "--threshold", "306"), "..........######")):
            with self.subTest(args=args):
                pixels = list(self.black_and_white(ramp, *args).getdata())
                self.assertEqual("".join("#" if p == B else "." for p in pixels), expected)

    def test_dithering_worked_out_by_hand(self):
        # Sums of 383, 192 (a quarter of white) and the ends; rows as strings, '#' black.
        cases = [
            # Error of -382 from the first pixel: 7/16 (-167) on, then 216 -> black and so on.
            ("floyd-steinberg", flat(4, 1, 383), [".#.#"]),
            # Two rows: the shares below (3/16, 5/16, the rest) make a checkerboard.
            ("floyd-steinberg", flat(2, 2, 383), [".#", "#."]),
            # Atkinson hands 1/8 (-47) to two on: 336 black, 378 black, 472 white.
            ("atkinson", flat(4, 1, 383), [".##."]),
            ("atkinson", flat(2, 2, 383), [".#", "#."]),
            ("floyd-steinberg", flat(3, 2, 0), ["###", "###"]),
            ("atkinson", flat(3, 2, 765), ["...", "..."]),
            # Bayer: white where the matrix entry M has (2M + 1) * 765 <= 2 * n * n * sum.
            ("bayer4", flat(4, 4, 383), [".#.#", "#.#.", ".#.#", "#.#."]),  # M <= 7
            ("bayer4", flat(4, 4, 192), [".#.#", "####", ".#.#", "####"]),  # M <= 3: 0, 2, 3, 1
            ("bayer8", flat(8, 2, 192), [".#.#.#.#", "########"]),  # M <= 15: the even columns and rows
            ("bayer8", flat(2, 2, 0), ["##", "##"]),
            # The ramp 0, 51, ..., 765 in one row. Floyd-Steinberg passes 7/16 on: 204 + 90 = 294 black,
            # 255 + 128 = 383 white, 306 - 167 = 139 black, 357 + 60 = 417 white, and so on.
            ("floyd-steinberg", grey_ramp(), ["#####.#.#......."]),
            # Atkinson passes 1/8 to each of the next two: 306 + 29 + 38 = 373 black, 357 + 38 + 46 = 441
            # white, 408 + 46 - 40 = 414 white, 459 - 40 - 43 = 376 black, then white.
            ("atkinson", grey_ramp(), ["#######..#......"]),
            # The matrices' first rows, 0 8 2 10 and 0 32 8 40 2 34 10 42: the cut (2M + 1) * 765 / 2n^2.
            ("bayer4", grey_ramp(), ["####.#.#........"]),
            ("bayer8", grey_ramp(), ["##.#.#.#........"]),
        ]
        for dither, image, rows in cases:
            with self.subTest(dither=dither, size=image.size, colour=image.getpixel((0, 0))):
                made = self.black_and_white(image, "--dither", dither)
                width = image.size[0]
                shown = ["".join("#" if p == B else "." for p in list(made.getdata())[y * width:(y + 1) * width])
                         for y in range(image.size[1])]
                self.assertEqual(shown, rows)

    def test_dithered_share_of_black_follows_the_darkness(self):
        picture = varied(96, 64).resize((128, 64))
        darkness = sum(765 - sum(p) for p in picture.getdata()) / 765 / (128 * 64)
        for dither in DITHERS:
            with self.subTest(dither):
                made = self.black_and_white(picture, "--dither", dither)
                black = list(made.getdata()).count(B) / (128 * 64)
                self.assertLess(abs(black - darkness), 0.02, (black, darkness))

    def test_table_of_several_pictures(self):
        self.write("logo.png", encoded(varied(20, 10), "PNG"))
        self.write("photo.jpg", encoded(varied(40, 30), "JPEG"))
        palette = [(0, 0, 0), (255, 255, 255)]
        self.write("walk.gif", gif(4, 8, palette, [gif_frame(0, 0, [[k % 2] * 4] * 8) for k in range(2)]))
        self.write("broken.png", b"\x89PNG\r\n\x1a\nnot really")
        code, out, err = self.prepare("--table", "pictures", "logo.png", "broken.png", "photo.jpg", "walk.gif",
                                      "-h", "16", "--dither", "atkinson")
        self.assertEqual(code, NOT_A_PICTURE, err)
        self.assertTrue(err.startswith('Error: source file "broken.png"'), err)
        text = self.read_header("pictures.h")
        names = ["logo", "photo", "walk_00", "walk_01"]
        self.assertIn("".join('#include "%s_glcd.h"\n' % n for n in names), text)
        self.assertIn("#define PICTURES_COUNT 4\n", text)
        program = ('#include <stdio.h>\n#include "pictures.h"\n'
                   'int main(void) {\n'
                   '    for (unsigned i = 0; i < PICTURES_COUNT; i++)\n'
                   '        printf("%u %u %d\\n", pictures_width[i], pictures_height[i], pictures[i][0]);\n'
                   '    return 0;\n}\n')
        avr = ('#include <avr/pgmspace.h>\n#include "pictures.h"\n'
               'unsigned char first(unsigned char i) { return pgm_read_byte(&pictures[i][0]); }\n')
        for options, compiler, source, flags in (((), "gcc", program, ["-o", "show"]),
                                                 (("-pgm",), "avr-gcc", avr, ["-mmcu=atmega328p", "-Os", "-c"])):
            with self.subTest(compiler=compiler):
                if not shutil.which(compiler):
                    self.skipTest(compiler + " is not installed")
                for name in names:
                    r = self.run_tool(name + ".bmp", *options)
                    self.assertEqual((r.code, r.err), (0, ""))
                shown = self.compiled_output(compiler, source, flags, "show")
                if compiler == "gcc":
                    firsts = [header_array(self.read_header(n + "_glcd.h"))[0] for n in names]
                    sizes = ["32 16", "21 16", "8 16", "8 16"]
                    self.assertEqual(shown.splitlines(), ["%s %d" % pair for pair in zip(sizes, firsts)])

    def test_a_picture_refused_for_a_name_claims_none(self):
        # walk.gif's frames are walk_00.bmp and walk_01.bmp: the one is walk_01.png's, so the
        # animation writes nothing, and walk_00.png may have its name.
        palette = [(0, 0, 0), (255, 255, 255)]
        self.write("walk.gif", gif(4, 8, palette, [gif_frame(0, 0, [[k % 2] * 4] * 8) for k in range(2)]))
        for name in ("walk_01.png", "walk_00.png"):
            self.write(name, encoded(varied(6, 4), "PNG"))
        code, out, err = self.prepare("--table", "t", "walk_01.png", "walk.gif", "walk_00.png")
        self.assertEqual((code, err), (EXISTS, 'Error: "walk_01.bmp" is written for another picture of this run '
                                              'already\n'))
        self.assertEqual(sorted(n for n in os.listdir(self.dir) if n.endswith((".bmp", ".h"))),
                         ["t.h", "walk_00.bmp", "walk_01.bmp"])
        self.assertIn('#include "walk_01_glcd.h"\n#include "walk_00_glcd.h"\n', self.read_header("t.h"))

    def test_a_still_whose_name_a_picture_before_wrote_is_refused_for_that(self):
        # walk.gif writes walk_01.bmp first; the PNG's refusal names the clash, not the file.
        self.write("walk.gif", gif(4, 8, [(0, 0, 0), (255, 255, 255)],
                                   [gif_frame(0, 0, [[k % 2] * 4] * 8) for k in range(2)]))
        self.write("walk_01.png", encoded(varied(6, 4), "PNG"))
        code, out, err = self.prepare("--table", "t", "walk.gif", "walk_01.png")
        self.assertEqual((code, err), (EXISTS, 'Error: "walk_01.bmp" is written for another picture of this run '
                                              'already\n'))

    def test_command_line_refusals(self):
        for args, message in ((("a.png", "b.png"), "give one picture only, or --table NAME for several"),
                              (("--table", "t", "a.png", "-o", "x.bmp"), "-o is for one picture"),
                              (("--table", "out/t", "a.png"), "--table needs a name without a folder"),
                              (("--table", "t", "a.png", "art/b.png"), "with --table every picture must be in one folder"),
                              (("--table", "b_glcd", "a.png", "b.jpg"),
                               "--table b_glcd would be overwritten by the header panelbake writes for b.jpg"),
                              (("a.png", "--rotate", "45"), '--rotate needs 90, 180 or 270, not "45"'),
                              (("a.png", "--flip", "x"), '--flip needs h or v, not "x"'),
                              (("a.png", "-w", "0"), '-w needs a width or height of 1 pixel or more, not "0"'),
                              (("a.png", "-h", "64px"), '-h needs a width or height of 1 pixel or more, not "64px"'),
                              (("a.png", "--threshold", "766"), "--threshold needs a sum of red, green and blue"),
                              (("a.png", "--dither", "random"), "--dither needs none, floyd-steinberg, atkinson"),
                              (("a.png", "--dither", "bayer4", "--threshold", "300"), "--threshold does not go with")):
            with self.subTest(args=args):
                code, out, err = self.prepare(*args)
                self.assertEqual(code, COMMAND_LINE)
                self.assertTrue(err.startswith("Error: " + message), err)
                self.assertEqual(self.files(), [])

    def test_size_beyond_the_limit_is_refused(self):
        self.write("wide.png", encoded(Image.new("RGB", (4, 1)), "PNG"))
        code, out, err = self.prepare("wide.png", "-h", "10000")
        self.assertEqual(code, 4, err)
        self.assertIn("more than the 268,435,456 pixels this program takes", err)
        self.assertEqual(self.files(), ["wide.png"])


if __name__ == "__main__":
    import unittest
    unittest.main()
