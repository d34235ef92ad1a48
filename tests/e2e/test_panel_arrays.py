# SPDX-License-Identifier: MIT
"""Bytes back for panels: panelbake-prepare reads every panel's arrays into the panel's BMP.

- Its own files, known by their form: every layout of every panel written with
  --panel P --for L reads back into the BMP --panel P writes, byte for byte; the same bytes
  as a foreign array, given --panel, --layout and --width (two planes or halves as two
  arrays), do too; and the panel's BMP read as a picture for the panel keeps its values.
- The picture read back is a panel's picture like any other: --palette, the adjustments
  and --for take it.
- The refusals, with their messages and exit codes, write nothing.
"""
import os
import unittest

from PIL import Image

from glcd_support import PrepareTest
from test_panels import PANELS, arrays_of, file_name, photo

PREPARED, COMMAND_LINE, ARRAY_UNFIT = 0, 1, 8


def foreign_text(arrays, reversed_order):
    """The arrays as another program's C file: no comment naming the panel, no size macros."""
    items = list(arrays.items())
    if reversed_order:
        items.reverse()
    return "".join("const uint8_t %s[] = {%s};\n" % (name, ", ".join("0x%02x" % b for b in data))
                   for name, data in items).encode()


class PanelArrays(PrepareTest):
    def values(self, name):
        with Image.open(self.path(name)) as image:
            return image.size, list(image.getdata()), image.getpalette()[:48]

    def test_every_layout_of_every_panel_reads_back_to_the_panels_bmp(self):
        self.write("photo.png", photo(32, 20, 21))
        for width, height in ((13, 7), (16, 3)):
            for panel, (_, layouts) in PANELS.items():
                options = ("--panel", panel, "--dither", "floyd-steinberg", "-w", str(width), "-h", str(height),
                           "--force")
                self.prepared("photo.png", *options)
                self.prepared("photo.png", *options, "--for", ",".join(layouts))
                bmp = self.read("photo_%s.bmp" % panel)
                self.prepared("photo_%s.bmp" % panel, "--panel", panel, "-o", "again.bmp", "--force")
                self.assertEqual(self.read("again.bmp"), bmp, "the panel's BMP as a picture for the panel")
                for layout in layouts:
                    with self.subTest(size=(width, height), panel=panel, layout=layout):
                        own = file_name(panel, layout, "photo_" + panel)  # photo_acep7.h gives photo_acep7.bmp
                        back = os.path.splitext(own)[0] + ".bmp"
                        if os.path.exists(self.path(back)):
                            os.remove(self.path(back))
                        self.assertEqual(self.prepared(own, "-v").splitlines()[-1], 'wrote "%s"' % back)
                        self.assertEqual(self.read(back), bmp)
                        # The same bytes as another program's: two arrays in the order of
                        # the text (halves) or named (planes, given colour first in the text).
                        arrays = arrays_of(self.read_header(own))
                        two = len(arrays) == 2
                        if two:
                            self.write("foreign.h", foreign_text(arrays, layout in ("adafruit", "epd")))
                        else:
                            self.write("foreign.h", ", ".join(str(b) for b in next(iter(arrays.values()))).encode())
                        named = ("--array", ",".join(arrays)) if layout in ("adafruit", "epd") else ()
                        self.prepared("foreign.h", "--panel", panel, "--layout", layout, "--width", str(width),
                                      *named, "-o", "foreign.bmp", "--force")
                        self.assertEqual(self.read("foreign.bmp"), bmp)

    def test_a_picture_read_back_is_prepared_as_any_panels_picture(self):
        self.write("photo.png", photo(13, 7, 23))
        self.prepared("photo.png", "--panel", "acep7", "--dither", "atkinson")
        self.prepared("photo.png", "--panel", "acep7", "--dither", "atkinson", "--for", "rows")
        size, values, _ = self.values("photo_acep7.bmp")
        rows = [values[y * size[0]:(y + 1) * size[0]] for y in range(size[1])]
        # Red and orange measured alike: the values read stay, turned or not; reduced again
        # (inverted, or resized), a pixel of either takes the first of the two, red.
        palette = "#101010,#f0f0e0,#20a020,#2020a0,#c02020,#e0e020,#c02020"
        self.prepared("photo_acep7.h", "--panel", "acep7", "--palette", palette, "--rotate", "90", "-o", "turned.bmp")
        turned_size, turned, table = self.values("turned.bmp")
        self.assertEqual(turned_size, (size[1], size[0]))
        self.assertEqual(turned, [rows[size[1] - 1 - x][y] for y in range(size[0]) for x in range(size[1])])
        self.assertEqual(table[:21], [int(c[i:i + 2], 16) for c in palette.replace("#", "").split(",")
                                      for i in (0, 2, 4)])
        self.prepared("photo_acep7.h", "--panel", "acep7", "--palette", palette, "-w", "13", "-o", "again.bmp")
        self.assertEqual(self.values("again.bmp")[1], [4 if v == 6 else v for v in values])
        # --for writes the arrays of the picture read, as of any picture.
        self.prepared("photo_acep7.h", "--panel", "acep7", "--for", "halves", "-o", "back.bmp")
        self.prepared("photo.png", "--panel", "acep7", "--dither", "atkinson", "--for", "halves")
        self.assertEqual(list(arrays_of(self.read_header("back_halves.h")).values()),
                         list(arrays_of(self.read_header("photo_acep7_halves.h")).values()))

    def test_two_planes_with_ink_in_both_show_the_colour(self):
        for layout, black, red in (("adafruit", "0xff, 0x0f", "0x0f, 0x3f"), ("epd", "0x00, 0xf0", "0xf0, 0xc0")):
            with self.subTest(layout=layout):
                self.write("pair.h", ("uint8_t k[] = {%s};\nuint8_t r[] = {%s};\n" % (black, red)).encode())
                self.prepared("pair.h", "--panel", "bwr", "--layout", layout, "--width", "8", "-o", "pair.bmp",
                              "--force")
                self.assertEqual(self.values("pair.bmp")[1], [0, 0, 0, 0, 2, 2, 2, 2, 1, 1, 2, 2, 2, 2, 2, 2])

    def test_refusals_say_why_and_write_nothing(self):
        self.write("photo.png", photo(13, 7, 25))
        self.prepared("photo.png", "--panel", "acep7", "--for", "rows")
        self.prepared("photo.png", "--panel", "bwr", "--for", "adafruit")
        self.write("bare.txt", ", ".join(["0x12"] * 49).encode())
        self.write("one.h", b"uint8_t black[] = {0xff, 0x00};\n")
        self.write("pair.h", b"uint8_t k[] = {0xff, 0x00};\nuint8_t r[] = {0x00, 0x00, 0x00};\n")
        before = self.files()
        cases = [
            (("photo_acep7.h", "--panel", "spectra6"), ARRAY_UNFIT,
             'source file "photo_acep7.h": photo_acep7 (line 16) holds the arrays of --panel acep7 (its comment says '
             "so), not of --panel spectra6: leave --panel out, or give --layout to read its bytes as spectra6's"),
            (("photo_acep7.h", "--for", "adafruit"), ARRAY_UNFIT,
             'source file "photo_acep7.h": it holds the arrays of --panel acep7, and --for adafruit is black and '
             "white's: give --panel acep7 with --for"),
            (("--table", "t", "photo_bwr.h"), ARRAY_UNFIT,
             'source file "photo_bwr.h": it holds the arrays of --panel bwr, and --table t ties pictures of black and '
             "white: give --panel bwr with --table"),
            (("bare.txt", "--panel", "acep7", "--layout", "adafruit", "--width", "13"), COMMAND_LINE,
             "--layout adafruit is not a layout of --panel acep7, which takes rows or halves"),
            (("bare.txt", "--panel", "acep7", "--layout", "glcd", "--width", "13"), COMMAND_LINE,
             '--layout needs rows or halves, not "glcd"'),
            (("bare.txt", "--layout", "rows", "--width", "13"), ARRAY_UNFIT,
             'source file "bare.txt": --layout rows is not a layout of --panel bw, which takes pages, columns, '
             "adafruit, xbm, micropython or epd"),
            (("bare.txt", "--panel", "acep7", "--width", "13"), ARRAY_UNFIT,
             'source file "bare.txt": The array on line 1 holds 49 bytes and does not say its layout: give it with '
             "--layout rows or halves"),
            (("bare.txt", "--panel", "acep7", "--layout", "rows", "--width", "12"), ARRAY_UNFIT,
             'source file "bare.txt": The array on line 1: 49 bytes do not fill whole rows of 12 pixels, 6 bytes '
             "each: 1 is over, and 5 are missing for one more row"),
            (("one.h", "--panel", "bwr", "--layout", "adafruit", "--width", "8"), ARRAY_UNFIT,
             'source file "one.h": black (line 1) is the black plane of --panel bwr in the adafruit layout, and the '
             "text holds no array after it for the red plane: give the two with --array FIRST,SECOND"),
            (("pair.h", "--panel", "bwr", "--layout", "epd", "--width", "8"), ARRAY_UNFIT,
             'source file "pair.h": r (line 2): its bytes fill 3 rows, and those of k (line 1) 2'),
            (("photo_bwr.h", "--array", "photo_bwr_black,photo_bwr_blue"), 3,
             'source file "photo_bwr.h": The text holds no array of bytes named photo_bwr_blue.'),
        ]
        for args, code, message in cases:
            with self.subTest(args=args):
                got, out, err = self.prepare(*args)
                self.assertEqual(got, code, err)
                self.assertEqual(err.split("\n\n")[0].rstrip("\n"), "Error: " + message)  # usage text after 1
        self.assertEqual(self.files(), before)


if __name__ == "__main__":
    unittest.main()
