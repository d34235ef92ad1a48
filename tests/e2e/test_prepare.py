# SPDX-License-Identifier: MIT
"""panelbake-prepare: pictures of every kind it reads, each held to an independent reader,
and its refusals and faults.

Reference rules, stated once:
- Transparency is laid on white per channel: 255 - A + round(C * A / 255), which is what
  Pillow's paste onto white gives for every C and A.
- 16-bit samples become round(v / 257). Pillow keeps 16 bits only for greyscale (it cuts
  colour samples to their high byte), so the 16-bit cases are held to the samples written.
- JPEG: stb_image and Pillow's libjpeg decode with different IDCT and upsampling code, so
  pixels are held to Pillow's within a small difference; EXIF orientation is held to
  Pillow's ImageOps.exif_transpose.
- GIF frames are composed as browsers compose them (a screen that starts transparent;
  disposal 2 clears the frame's rectangle to transparent, 3 puts it back as it was).
  Pillow agrees for disposal 0, 1 and 3; for 2 it fills with the background colour, so
  those frames are held to the browsers' rule worked out here.
"""
import io
import os
import re
import shutil
import struct
import subprocess
import unittest

from PIL import Image, ImageOps

from bmp_craft import bmp
from glcd_support import NODE, POSIX_ONLY, WINDOWS, PrepareTest, header_array, page_columns, reduce, rescale
from picture_craft import GREY, GREY_ALPHA, PALETTE, RGB, RGBA, gif, gif_frame, png
from test_faults import as_nobody, file_size_limit, AS_ROOT


PREPARED, COMMAND_LINE, UNREADABLE, NOT_A_PICTURE, TOO_LARGE, EXISTS, WRITE_FAILED = 0, 1, 2, 3, 4, 5, 6


def on_white(c, a):
    return 255 - a + round(c * a / 255)


def flat(rgba_pixels):
    return [tuple(on_white(c, a) for c in (r, g, b)) for r, g, b, a in rgba_pixels]


def pillow_flat(data):
    """Pillow's decoding, laid on white as Pillow's paste does it."""
    with Image.open(io.BytesIO(data)) as image:
        picture = image.convert("RGBA")
    white = Image.new("RGB", picture.size, "white")
    white.paste(picture, mask=picture.getchannel("A"))
    return white


def without_segments(jpeg, marker):
    """The JPEG without its segments of one marker (those before the first scan)."""
    out = bytearray(jpeg[:2])
    at = 2
    while jpeg[at + 1] != 0xDA:
        length = struct.unpack(">H", jpeg[at + 2:at + 4])[0]
        if jpeg[at + 1] != marker:
            out += jpeg[at:at + 2 + length]
        at += 2 + length
    return bytes(out + jpeg[at:])


def samples(width, height, channels, top):
    """Varied samples 0..top, each channel running its own way."""
    return [[tuple((x * 7 + y * 13 + c * 29 + x * y * (c + 1)) * 2654435761 % (top + 1) for c in range(channels))
             for x in range(width)] for y in range(height)]


class Prepare(PrepareTest):
    def prepared(self, name, data, output=None):
        """Prepares `name` holding `data` and returns the written BMP's pixels as a Pillow
        image, after checking the BMP is the plain 24-bit kind."""
        self.write(name, data)
        code, out, err = self.prepare(name)
        self.assertEqual((code, err), (PREPARED, ""), name)
        return self.bmp_picture(output or os.path.splitext(name)[0] + ".bmp")

    def bmp_picture(self, name):
        data = self.read(name)
        width, height = struct.unpack_from("<ii", data, 18)
        stride = (width * 3 + 3) // 4 * 4
        expected = struct.pack("<2sIHHIIiiHHIIiiII", b"BM", 54 + stride * height, 0, 0, 54, 40, width, height, 1, 24,
                               0, stride * height, 3780, 3780, 0, 0)
        self.assertEqual(data[:54], expected, "a 24-bit bottom-up BMP with the 40-byte header, 96 dpi")
        self.assertEqual(len(data), 54 + stride * height)
        with Image.open(self.path(name)) as image:
            return image.convert("RGB")

    def assert_pixels(self, image, expected_rows):
        self.assertEqual(image.size, (len(expected_rows[0]), len(expected_rows)))
        self.assertEqual(list(image.getdata()), [p for row in expected_rows for p in row])

    # ---- PNG ------------------------------------------------------------------------------

    def test_png_of_every_depth_and_colour_type(self):
        palette = [(i * 37 % 256, i * 91 % 256, i * 53 % 256) for i in range(16)]
        cases = [
            # name, depth, colour type, channels, extra chunks
            ("grey1", 1, GREY, 1, {}),
            ("grey2", 2, GREY, 1, {}),
            ("grey4", 4, GREY, 1, {}),
            ("grey8", 8, GREY, 1, {}),
            ("grey8_trns", 8, GREY, 1, {"trns": b"\x00\x07"}),
            ("grey_alpha8", 8, GREY_ALPHA, 2, {}),
            ("rgb8", 8, RGB, 3, {}),
            ("rgb8_trns", 8, RGB, 3, {"trns": b"\x00\x07\x00\x14\x00\x21"}),
            ("rgba8", 8, RGBA, 4, {}),
            ("palette1", 1, PALETTE, 1, {"palette": palette[:2]}),
            ("palette2", 2, PALETTE, 1, {"palette": palette[:4]}),
            ("palette4_trns", 4, PALETTE, 1, {"palette": palette, "trns": bytes([0, 90, 255, 17])}),
            ("palette8_trns", 8, PALETTE, 1, {"palette": palette, "trns": bytes(range(0, 256, 19))}),
            ("rgba8_interlaced", 8, RGBA, 4, {"interlaced": True}),
            ("palette4_interlaced", 4, PALETTE, 1, {"palette": palette, "interlaced": True}),
            ("rgb8_empty_first_idat", 8, RGB, 3, {"empty_idat_first": True}),
        ]
        for name, depth, colour_type, channels, extra in cases:
            with self.subTest(name):
                top = len(palette) - 1 if colour_type == PALETTE else (1 << depth) - 1
                rows = samples(19, 11, channels, min(top, (1 << depth) - 1))
                data = png(rows, depth, colour_type, **extra)
                self.assertEqual(list(self.prepared(name + ".png", data).getdata()), list(pillow_flat(data).getdata()))

    def test_every_colour_and_alpha_is_laid_on_white_as_pillow_pastes_it(self):
        rows = [[(c, 255 - c, c // 2, a) for c in range(256)] for a in range(256)]
        data = png(rows, 8, RGBA)
        image = self.prepared("all.png", data)
        self.assertEqual(list(image.getdata()), list(pillow_flat(data).getdata()))
        self.assertEqual(list(image.getdata()), flat(p for row in rows for p in row))

    def test_pam_of_rgb_and_rgb_alpha_gives_the_pixels_of_the_same_png(self):
        # The form the page hands pictures the browser decoded over in: every colour and
        # alpha laid on white as in a PNG, which Pillow decodes independently.
        rows = [[(c, 255 - c, (c * 7) % 256, a) for c in range(0, 256, 3)] for a in range(0, 256, 5)]
        cases = {"RGB_ALPHA": (4, rows), "RGB": (3, [[p[:3] + (255,) for p in row] for row in rows])}
        for kind, (depth, pixels) in cases.items():
            with self.subTest(kind):
                raster = bytes(v for row in pixels for p in row for v in p[:depth])
                header = (f"P7\nWIDTH {len(pixels[0])}\nHEIGHT {len(pixels)}\nDEPTH {depth}\nMAXVAL 255\n"
                          f"TUPLTYPE {kind}\nENDHDR\n").encode()
                png_data = png([[p[:depth] for p in row] for row in pixels], 8, RGBA if depth == 4 else RGB)
                self.assertEqual(list(self.prepared(f"{kind}.pam", header + raster).getdata()),
                                 list(pillow_flat(png_data).getdata()))

    def test_16_bit_png_rounds_to_the_nearest_8_bit_value(self):
        # Values around the halfway points, where v / 257 rounded and v >> 8 differ.
        values = [0, 128, 129, 385, 386, 32896, 32897, 65407, 65408, 65535, 1000, 40000]

        def reduce16(v):
            return (v + 128) // 257

        for name, colour_type, channels, extra in (("grey16", GREY, 1, {}), ("rgb16", RGB, 3, {}),
                                                   ("rgba16", RGBA, 4, {}), ("grey_alpha16", GREY_ALPHA, 2, {}),
                                                   ("rgb16_trns", RGB, 3, {"trns": struct.pack(">HHH", 128, 129, 385)}),
                                                   ("rgba16_interlaced", RGBA, 4, {"interlaced": True})):
            with self.subTest(name):
                rows = [[tuple(values[(x + y + 5 * c) % len(values)] for c in range(channels)) for x in range(12)]
                        for y in range(9)]
                rows[0][0] = (128, 129, 385)[:channels] + (0,) * max(0, channels - 3)
                image = self.prepared(name + ".png", png(rows, 16, colour_type, **extra))
                expected = []
                for row in rows:
                    line = []
                    for pixel in row:
                        eight = [reduce16(v) for v in pixel]
                        colour = eight[:3] if channels >= 3 else eight[:1] * 3
                        alpha = eight[channels - 1] if channels in (2, 4) else 255
                        if "trns" in extra and pixel == (128, 129, 385):
                            alpha = 0
                        line.append(tuple(on_white(c, alpha) for c in colour))
                    expected.append(line)
                self.assert_pixels(image, expected)
                if colour_type == GREY:  # the one 16-bit mode Pillow keeps
                    with Image.open(self.path("grey16.png")) as pillow:
                        grey = [reduce16(v) for v in pillow.getdata()]
                    self.assertEqual([p[0] for p in image.getdata()], grey)

    # ---- JPEG -----------------------------------------------------------------------------

    def photo(self, width, height):
        image = Image.new("RGB", (width, height))
        image.putdata([((x * 255) // width, (y * 255) // height, ((x + y) * 4) % 256)
                       for y in range(height) for x in range(width)])
        return image

    def assert_near(self, image, reference, limit):
        self.assertEqual(image.size, reference.size)
        worst = max(abs(a - b) for p, q in zip(image.getdata(), reference.getdata()) for a, b in zip(p, q))
        self.assertLessEqual(worst, limit)

    def test_baseline_and_progressive_jpeg(self):
        for name, options in (("baseline", {}), ("progressive", {"progressive": True}),
                              ("grey", {"mode": "L"}), ("subsampled", {"subsampling": 2})):
            with self.subTest(name):
                picture = self.photo(61, 37)
                if options.pop("mode", None):
                    picture = picture.convert("L")
                out = io.BytesIO()
                picture.save(out, "JPEG", quality=90, **options)
                data = out.getvalue()
                self.assert_near(self.prepared(name + ".jpg", data), pillow_flat(data), 3)

    def test_jpeg_turned_by_its_exif_orientation(self):
        # Quadrants of far-apart colours, so that the JPEG's blur cannot hide a wrong turn.
        stored = Image.new("RGB", (48, 32))
        colours = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)]
        stored.putdata([colours[(x >= 24) + 2 * (y >= 16)] for y in range(32) for x in range(48)])
        for orientation in range(1, 9):
            for byte_order in ("<", ">"):
                with self.subTest(orientation=orientation, byte_order=byte_order):
                    exif = Image.Exif()
                    exif[0x0112] = orientation
                    exif.endian = byte_order
                    out = io.BytesIO()
                    stored.save(out, "JPEG", quality=95, exif=exif.tobytes())
                    data = out.getvalue()
                    with Image.open(io.BytesIO(data)) as image:
                        reference = ImageOps.exif_transpose(image).convert("RGB")
                    self.assert_near(self.prepared("turned.jpg", data), reference, 3)
                    os.remove(self.path("turned.bmp"))

    # ---- GIF ------------------------------------------------------------------------------

    PALETTE = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (9, 9, 9)]

    def three_frames(self, disposal):
        """A full red frame that stays, then two smaller ones of the disposal method that
        are partly transparent (index 5), the last one partly off the screen's right edge."""
        return gif(6, 4, self.PALETTE, [
            gif_frame(0, 0, [[1] * 6 for _ in range(4)], disposal=1, delay=0),
            gif_frame(1, 1, [[2, 5, 2], [2, 2, 5]], disposal=disposal, delay=5, transparent=5),
            gif_frame(4, 0, [[3, 5, 4], [5, 3, 4]], disposal=disposal, delay=20, transparent=5),
        ])

    def browser_frames(self, data, frames):
        """The browsers' rule, worked out here for frames given as (left, top, rows,
        disposal) with index 5 transparent."""
        screen = [[None] * 6 for _ in range(4)]
        shown = []
        previous = None
        for left, top, rows, disposal in frames:
            if previous:
                p_left, p_top, p_rows, p_disposal, saved = previous
                for y, row in enumerate(p_rows):
                    for x in range(len(row)):
                        if p_top + y < 4 and p_left + x < 6:
                            if p_disposal == 2:
                                screen[p_top + y][p_left + x] = None
                            elif p_disposal == 3:
                                screen[p_top + y][p_left + x] = saved[p_top + y][p_left + x]
            saved = [row[:] for row in screen]
            for y, row in enumerate(rows):
                for x, index in enumerate(row):
                    if index != 5 and top + y < 4 and left + x < 6:
                        screen[top + y][left + x] = self.PALETTE[index]
            shown.append([[p or (255, 255, 255) for p in row] for row in screen])
            previous = (left, top, rows, disposal, saved)
        return shown

    def test_gif_frames_follow_each_disposal_method(self):
        for disposal in range(4):
            with self.subTest(disposal=disposal):
                data = self.three_frames(disposal)
                self.write("walk.gif", data)
                code, out, err = self.prepare("walk.gif")
                self.assertEqual((code, err), (PREPARED, ""))
                self.assertEqual(self.files(), ["walk.gif", "walk_00.bmp", "walk_01.bmp", "walk_02.bmp",
                                                "walk_frames.h"])
                expected = self.browser_frames(data, [
                    (0, 0, [[1] * 6 for _ in range(4)], 1),
                    (1, 1, [[2, 5, 2], [2, 2, 5]], disposal),
                    (4, 0, [[3, 5, 4], [5, 3, 4]], disposal),
                ])
                with Image.open(io.BytesIO(data)) as pillow:
                    for k in range(3):
                        image = self.bmp_picture("walk_%02d.bmp" % k)
                        self.assert_pixels(image, expected[k])
                        if disposal != 2:
                            pillow.seek(k)
                            self.assertEqual(list(image.getdata()), flat(pillow.convert("RGBA").getdata()))
                for name in os.listdir(self.dir):
                    os.remove(self.path(name))

    def test_frames_header_compiles_with_panelbake_headers(self):
        self.write("my-walk.gif", self.three_frames(1))
        self.assertEqual(self.prepare("my-walk.gif")[0], PREPARED)
        text = self.read_header("my-walk_frames.h")
        self.assertIn("#include \"my_walk_00_glcd.h\"\n#include \"my_walk_01_glcd.h\"\n", text)
        self.assertIn("#define MY_WALK_FRAMES_COUNT 3\n", text)
        # 0 and 5 hundredths: browsers show a delay of 10 ms or less as 100 ms
        self.assertIn("my_walk_frames_delay_ms[MY_WALK_FRAMES_COUNT] = {\n    100,\n    50,\n    200,\n};", text)
        program = ('#include <stdio.h>\n#include "my-walk_frames.h"\n'
                   'int main(void) {\n'
                   '    for (unsigned i = 0; i < MY_WALK_FRAMES_COUNT; i++)\n'
                   '        printf("%lu %d\\n", my_walk_frames_delay_ms[i], my_walk_frames[i][MY_WALK_FRAMES_BYTES - 1]);\n'
                   '    return 0;\n}\n')
        avr = ('#include <avr/pgmspace.h>\n#include "my-walk_frames.h"\n'
               'unsigned char last(unsigned char i) {\n'
               '    return pgm_read_byte(&my_walk_frames[i][MY_WALK_FRAMES_BYTES - 1]);\n}\n')
        for options, compiler, source, flags in (((), "gcc", program, ["-o", "loop"]),
                                                 (("-pgm",), "gcc", program, ["-Wno-attributes", "-o", "loop"]),
                                                 (("-pgm",), "avr-gcc", avr, ["-mmcu=atmega328p", "-Os", "-c"])):
            with self.subTest(options=options, compiler=compiler):
                if not shutil.which(compiler):
                    self.skipTest(compiler + " is not installed")
                for k in range(3):
                    r = self.run_tool("my-walk_%02d.bmp" % k, "-h", "12", *options)
                    self.assertEqual((r.code, r.err), (0, ""))
                out = self.compiled_output(compiler, source, flags, "loop")
                if compiler == "gcc":
                    last = [header_array(self.read_header("my_walk_%02d_glcd.h" % k))[-1] for k in range(3)]
                    self.assertEqual(out.split("\n")[:3], ["%d %d" % pair for pair in zip((100, 50, 200), last)])

    def test_frame_names_take_the_digits_the_count_needs(self):
        frames = [gif_frame(0, 0, [[i % 5]], delay=3) for i in range(101)]
        self.write("many.gif", gif(1, 1, self.PALETTE, frames))
        self.assertEqual(self.prepare("many.gif", "-o", "out.bmp")[0], PREPARED)
        names = self.files()
        self.assertEqual(len(names), 103)
        self.assertIn("out_000.bmp", names)
        self.assertIn("out_100.bmp", names)
        self.assertIn("out_frames.h", names)

    def test_a_gif_of_one_frame_is_one_bmp(self):
        data = gif(3, 2, self.PALETTE, [gif_frame(1, 0, [[2, 5], [5, 3]], transparent=5)])
        self.assert_pixels(self.prepared("still.gif", data), [[(255, 255, 255), (0, 255, 0), (255, 255, 255)],
                                                             [(255, 255, 255), (255, 255, 255), (0, 0, 255)]])
        self.assertEqual(self.files(), ["still.bmp", "still.gif"])

    # ---- BMP ------------------------------------------------------------------------------

    def test_bmp_that_panelbake_reads_is_copied_byte_for_byte(self):
        data = bmp(5, 3, 8)
        self.write("logo.bmp", data)
        self.assertEqual(self.prepare("logo.bmp", "-o", "copy.bmp")[0], PREPARED)
        self.assertEqual(self.read("copy.bmp"), data)
        # Its own output: nothing to do.
        self.assertEqual(self.prepare("logo.bmp"), (PREPARED, "", ""))
        self.assertEqual(self.read("logo.bmp"), data)

    def test_bmp_that_panelbake_refuses_is_decoded(self):
        # 32 bits with colour masks, as a plain `convert logo.png logo.bmp` writes it.
        picture = Image.new("RGBA", (5, 3))
        picture.putdata([(x * 50, y * 90, 7, 255 if x % 2 else 128) for y in range(3) for x in range(5)])
        out = io.BytesIO()
        picture.save(out, "BMP")
        rows = [[(x * 50, y * 90, 7) for x in range(5)] for y in range(3)]
        data = bmp(5, 3, 32, rows=[bytes(c for r, g, b in row for c in (b, g, r, 255)) for row in rows],
                   masks=(0xFF0000, 0xFF00, 0xFF), compression=3)
        self.write("masks.bmp", data)
        self.assertEqual(self.prepare("masks.bmp", "-o", "plain.bmp")[0], PREPARED)
        self.assert_pixels(self.bmp_picture("plain.bmp"), rows)
        # Replacing the source itself needs --force.
        self.assertEqual(self.prepare("masks.bmp")[0], EXISTS)
        self.assertEqual(self.prepare("masks.bmp", "--force")[0], PREPARED)
        self.assert_pixels(self.bmp_picture("masks.bmp"), rows)

    # ---- the two commands -------------------------------------------------------------------

    def test_prepared_photo_converts_to_the_expected_header(self):
        out = io.BytesIO()
        self.photo(160, 90).save(out, "JPEG", quality=90)
        self.write("photo.jpg", out.getvalue())
        self.assertEqual(self.prepare("photo.jpg")[0], PREPARED)
        r = self.run_tool("photo.bmp", "-h", "64")
        self.assertEqual((r.code, r.err), (0, ""))
        with Image.open(self.path("photo.bmp")) as image:
            pixels = list(image.convert("RGB").getdata())
        rows = [pixels[y * 160:(y + 1) * 160] for y in range(90)]
        self.assertEqual(header_array(self.read_header("photo_glcd.h")), page_columns(reduce(rescale(rows, "h", 64))))

    # ---- a pipe ---------------------------------------------------------------------------

    @unittest.skipIf(WINDOWS, POSIX_ONLY)
    @unittest.skipIf(NODE, "Node reads no pipe synchronously")
    def test_a_picture_through_a_pipe_is_prepared_as_from_its_file(self):
        # A pipe is read once: the bytes that say what the picture is are part of it.
        photo = io.BytesIO()
        self.photo(40, 30).save(photo, "JPEG", quality=90)
        cases = [
            ("photo.png", png(samples(9, 7, 3, 255), 8, RGB), ()),
            ("photo.jpg", photo.getvalue(), ()),
            ("still.gif", gif(3, 2, self.PALETTE, [gif_frame(1, 0, [[2, 5], [5, 3]], transparent=5)]), ()),
            # From a file its rows are read where they lie; from a pipe it is read whole.
            ("logo.bmp", bmp(9, 7, 8), ("-w", "5", "-h", "3", "--rotate", "90")),
        ]
        for name, data, options in cases:
            with self.subTest(name):
                self.write(name, data)
                from_file, from_pipe = name + ".file.bmp", name + ".pipe.bmp"
                self.assertEqual(self.prepare(name, *options, "-o", from_file)[0], PREPARED)
                code, out, err = self.prepare("/dev/stdin", *options, "-o", from_pipe, input=data)
                self.assertEqual((code, err), (PREPARED, ""))
                self.assertEqual(self.read(from_pipe), self.read(from_file))

    # ---- refusals and faults --------------------------------------------------------------

    def test_refusals(self):
        photo = io.BytesIO()
        self.photo(40, 30).save(photo, "JPEG")
        good_png = png(samples(9, 9, 3, 255), 8, RGB)
        cases = [
            ("unknown.png", b"just some text\n", NOT_A_PICTURE, "it is not a PNG, JPEG, GIF or BMP picture"),
            ("empty.png", b"", NOT_A_PICTURE, "it is not a PNG, JPEG, GIF or BMP picture"),
            ("cut.png", good_png[:60], NOT_A_PICTURE, "the PNG is cut short inside its image data"),
            ("bad.png", good_png[:40] + bytes(20) + good_png[60:], NOT_A_PICTURE, "it could not be decoded as PNG"),
            ("cut.jpg", photo.getvalue()[:300], NOT_A_PICTURE, "it could not be decoded as JPEG"),
            ("cut.gif", self.three_frames(0)[:-20], NOT_A_PICTURE, "the GIF is cut short inside a frame"),
            ("rle.bmp", bmp(4, 4, 8, compression=1), NOT_A_PICTURE, "it could not be decoded as BMP"),
            # Tables stb_image would read from memory it never set.
            ("no_dqt.jpg", without_segments(photo.getvalue(), 0xDB), NOT_A_PICTURE,
             "a scan of the JPEG uses a quantization table it does not define"),
            ("no_dht.jpg", without_segments(photo.getvalue(), 0xC4), NOT_A_PICTURE,
             "a scan of the JPEG uses a Huffman table it does not define"),
            # a decompression bomb: 40000 x 40000 stated, a few bytes of data
            ("bomb.png", png([[(0,)]], 8, GREY, width=40000, height=40000), TOO_LARGE,
             "it is 40000 x 40000 pixels, more than the 268,435,456 pixels this program takes"),
            ("bomb.gif", gif(65535, 65535, self.PALETTE, [gif_frame(0, 0, [[1]])]), TOO_LARGE,
             "it is 65535 x 65535 pixels, more than the 268,435,456 pixels this program takes"),
            ("frames.gif", gif(8192, 8192, self.PALETTE, [gif_frame(0, 0, [[1]])] * 5), TOO_LARGE,
             "its 5 frames of 8192 x 8192 pixels are more than the 268,435,456 pixels in all this program takes"),
        ]
        for name, data, code, message in cases:
            with self.subTest(name):
                self.write(name, data)
                result = self.prepare(name)
                self.assertEqual(result[0], code, result)
                self.assertTrue(result[2].startswith('Error: source file "%s": %s' % (name, message)), result[2])
                self.assertEqual(self.files(), [name])
                os.remove(self.path(name))

    def test_command_line(self):
        self.assertEqual(self.prepare("--help")[:1], (PREPARED,))
        self.assertIn("Exit codes:", self.prepare("--help")[1])
        for args, message in (((), "no picture given"), (("a.png", "-x"), "unknown option -x"),
                              (("a.png", "b.png"), "give one picture only"), (("a.png", "-o"), "-o needs")):
            with self.subTest(args=args):
                code, out, err = self.prepare(*args)
                self.assertEqual(code, COMMAND_LINE)
                self.assertTrue(err.startswith("Error: " + message), err)
        code, out, err = self.prepare("missing.png")
        self.assertEqual((code, err), (UNREADABLE, 'Error: source file "missing.png" can not be opened\n'))

    def test_man_page_describes_every_option_and_exit_status(self):
        man = os.path.join(os.environ["PANELBAKE_SOURCE_DIR"], "man", "panelbake-prepare.1")
        result = subprocess.run(["groff", "-man", "-Tutf8", "-ww", man], capture_output=True,
                                env=dict(os.environ, LC_ALL="C.UTF-8"))
        self.assertEqual(result.stderr.decode(), "")
        text = re.sub(r".\x08", "", result.stdout.decode())
        usage = self.prepare("--help")[1]
        every = ["-o", "--force", "-v", "--help", "--rotate", "--flip", "--invert", "-w", "-h", "--threshold",
                 "--dither", "--panel", "--palette", "--table", "--for", "-pgm", "-pic30", "--compress", "--layout",
                 "--width", "--array"]
        self.assertEqual(re.findall(r"^\t(-[-\w]+)", usage, re.M), every)
        options = text[text.index("\nOPTIONS\n"):text.index("\nOUTPUT FILES\n")]
        self.assertEqual(re.findall(r"^ {7}(-[-\w]+)", options, re.M), every)
        statuses = text[text.index("\nEXIT STATUS\n"):text.index("\nEXAMPLES\n")]
        self.assertEqual(re.findall(r"^ {7}(\d+)", statuses, re.M), [str(code) for code in range(10)])

    def test_existing_outputs_are_never_overwritten_unasked(self):
        self.write("logo.png", png(samples(4, 4, 3, 255), 8, RGB))
        self.write("logo.bmp", b"kept")
        code, out, err = self.prepare("logo.png")
        self.assertEqual((code, err), (EXISTS, 'Error: "logo.bmp" exists; give --force to replace it\n'))
        self.assertEqual(self.read("logo.bmp"), b"kept")
        self.assertEqual(self.prepare("logo.png", "--force")[0], PREPARED)
        self.bmp_picture("logo.bmp")
        # An animation is checked whole before anything is written.
        self.write("walk.gif", self.three_frames(0))
        self.write("walk_02.bmp", b"kept")
        self.assertEqual(self.prepare("walk.gif")[0], EXISTS)
        self.assertEqual(self.files(), ["logo.bmp", "logo.png", "walk.gif", "walk_02.bmp"])

    @unittest.skipIf(WINDOWS, POSIX_ONLY)
    def test_full_disk_and_unwritable_folder_leave_nothing_behind(self):
        self.write("walk.gif", self.three_frames(0))
        self.write("logo.png", png(samples(40, 40, 3, 255), 8, RGB))
        for source, preexec, output in (("logo.png", file_size_limit(1000), "logo.bmp"),
                                        ("walk.gif", file_size_limit(100), "walk_00.bmp"),
                                        ("walk.gif", file_size_limit(200), "walk_frames.h")):
            with self.subTest(source=source, output=output):
                code, out, err = self.prepare(source, preexec_fn=preexec)
                self.assertEqual((code, err), (WRITE_FAILED, 'Error: could not write "%s"\n' % output))
                self.assertEqual(self.files(), ["logo.png", "walk.gif"])
        os.chmod(self.dir, 0o777 if AS_ROOT else 0o555)
        folder = self.path("locked")
        os.mkdir(folder, 0o755 if AS_ROOT else 0o555)
        self.addCleanup(os.chmod, self.dir, 0o755)
        code, out, err = self.prepare("walk.gif", "-o", "locked/walk.bmp", preexec_fn=as_nobody() if AS_ROOT else None)
        self.assertEqual((code, err), (WRITE_FAILED, 'Error: could not write "locked/walk_00.bmp"\n'))
        self.assertEqual(os.listdir(folder), [])


if __name__ == "__main__":
    unittest.main()
