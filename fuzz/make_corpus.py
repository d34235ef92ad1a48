#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes the seed corpus of the fuzz targets: small crafted BMP files that reach every
depth, both 16-bit masks, short colour tables, extra bytes, truncated data, V4/V5
headers and the rejections; for the preparation target small PNG, JPEG and GIF
pictures of every kind it decodes; for the arrays target C text of every form it reads; and for
the player compressed streams of every kind of step.

    fuzz/make_corpus.py            rewrite fuzz/corpus/reader, pipeline, prepare, reduction, arrays
                                   and player
"""
import io
import pathlib
import shutil
import struct
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests" / "e2e"))
from bmp_craft import bmp, gray_table, pattern_rows  # noqa: E402
from picture_craft import GREY, GREY_ALPHA, PALETTE, RGB, RGBA, gif, gif_frame, png  # noqa: E402

MASKS_565 = (0xF800, 0x07E0, 0x001F)
MASKS_555 = (0x7C00, 0x03E0, 0x001F)


def v4_tail(length, masks=(0, 0, 0)):
    """The part of a V4 (108-byte) or V5 (124-byte) info header after its first 40 bytes:
    colour masks, then colour space data, all zero but the masks."""
    return struct.pack("<III", *masks) + bytes(length - 40 - 12)


def seeds():
    files = {}
    for bits in (1, 4, 8, 16, 24, 32):
        for width in (1, 3, 9):
            files[f"plain_{bits}bit_{width}x3"] = bmp(width, 3, bits)
    files["bitfields_565"] = bmp(5, 4, 16, masks=MASKS_565)
    files["bitfields_555"] = bmp(5, 4, 16, masks=MASKS_555)
    files["bitfields_odd_masks"] = bmp(5, 4, 16, masks=(0x8001, 0, 0xFFFF))
    files["short_table_8bit"] = bmp(6, 2, 8, table=gray_table(16))
    files["short_table_4bit"] = bmp(6, 2, 4, table=gray_table(3))
    files["no_table_1bit"] = bmp(9, 2, 1, table=b"")
    files["extra_bytes_24bit"] = bmp(3, 2, 24, extra=b"\xde\xad\xbe\xef")
    files["extra_bytes_8bit"] = bmp(3, 2, 8, extra=bytes(8))
    files["extra_bytes_bitfields"] = bmp(3, 2, 16, masks=MASKS_565, extra=bytes(4))
    files["truncated_24bit"] = bmp(4, 4, 24)[:54 + 20]
    files["truncated_16bit"] = bmp(4, 4, 16)[:54 + 9]
    files["truncated_table"] = bmp(4, 4, 8)[:54 + 100]
    files["truncated_header"] = bmp(4, 4, 24)[:30]
    files["v4_8bit"] = bmp(7, 3, 8, info_tail=v4_tail(108))
    files["v5_4bit"] = bmp(7, 3, 4, info_tail=v4_tail(124))
    files["v5_24bit"] = bmp(7, 3, 24, info_tail=v4_tail(124))
    files["v4_bitfields"] = bmp(7, 3, 16, info_tail=v4_tail(108, MASKS_565), compression=3)
    files["v5_32bit_alpha"] = bmp(2, 2, 32, info_tail=v4_tail(124, (0xFF0000, 0xFF00, 0xFF)), compression=3)
    files["rle8"] = bmp(4, 2, 8, compression=1)
    files["top_down"] = bmp(4, -2, 24, rows=pattern_rows(4, 2, 24))
    files["depth_2"] = bmp(4, 2, 2, rows=pattern_rows(4, 2, 2), table=bytes(16))
    files["off_bits_small"] = bmp(3, 3, 8, off_bits=20)
    files["off_bits_negative"] = bmp(3, 3, 24, off_bits=0xFFFFFFF0)
    files["huge_claim"] = bmp(30000, 30000, 24, rows=[b"\0\0\0\0"])
    return files


def pipeline_seed(width, height, flags, data):
    """Option codes for the pipeline target: a size is code % 132 - 3."""
    return struct.pack("<HHB", width + 3, height + 3, flags) + data


def reduction_seed(width, height, adjustments, rule, threshold, data):
    """Options for the reduction target: -w and -h (code % 132 - 3), the adjustments' bits
    (quarter turns, flip h 4, flip v 8, invert 16), the rule (% 5) and the threshold / 3."""
    return struct.pack("<HHBBB", width + 3, height + 3, adjustments, rule, threshold // 3) + data


def picture_seeds():
    """Pictures for the preparation target: a few pixels each, of every PNG colour type
    and depth, JPEG baseline, progressive and turned, GIF frames of every disposal."""
    from PIL import Image

    def rows(width, height, channels, top):
        return [[tuple((x * 5 + y * 3 + c * 7) % (top + 1) for c in range(channels)) for x in range(width)]
                for y in range(height)]

    palette = [(i * 40 % 256, i * 90 % 256, i * 20 % 256) for i in range(8)]
    files = {}
    for colour_type, channels in ((GREY, 1), (RGB, 3), (GREY_ALPHA, 2), (RGBA, 4)):
        for depth in ((1, 2, 4, 8, 16) if colour_type == GREY else (8, 16)):
            files[f"png_type{colour_type}_{depth}bit"] = png(rows(5, 3, channels, (1 << depth) - 1), depth, colour_type)
    files["png_palette_trns"] = png(rows(5, 3, 1, 7), 4, PALETTE, palette=palette, trns=bytes([0, 128, 255]))
    files["png_interlaced"] = png(rows(9, 9, 4, 255), 8, RGBA, interlaced=True)
    files["png_rgb_trns"] = png(rows(4, 4, 3, 255), 8, RGB, trns=b"\0\0\0\5\0\12")
    picture = Image.new("RGB", (17, 9))
    picture.putdata([(x * 15, y * 28, (x + y) * 9) for y in range(9) for x in range(17)])
    for name, options in (("baseline", {}), ("progressive", {"progressive": True}), ("grey", {})):
        out = io.BytesIO()
        (picture.convert("L") if name == "grey" else picture).save(out, "JPEG", quality=75, **options)
        files["jpeg_" + name] = out.getvalue()
    exif = Image.Exif()
    exif[0x0112] = 6
    out = io.BytesIO()
    picture.save(out, "JPEG", quality=75, exif=exif.tobytes())
    files["jpeg_exif_6"] = out.getvalue()
    for disposal in range(4):
        files[f"gif_disposal_{disposal}"] = gif(5, 4, palette, [
            gif_frame(0, 0, [[1] * 5 for _ in range(4)], disposal=disposal, delay=2),
            gif_frame(1, 1, [[2, 7], [7, 3]], disposal=disposal, delay=0, transparent=7),
            gif_frame(3, 2, [[4, 5, 6]], disposal=disposal, delay=9, transparent=7, palette=palette[::-1]),
        ])
    files["gif_interlaced"] = gif(3, 9, palette, [gif_frame(0, 0, [[y % 8] * 3 for y in range(9)], interlaced=True)])
    files["gif_no_trailer"] = gif(2, 2, palette, [gif_frame(0, 0, [[1, 2], [3, 4]])], trailer=False)
    files["bmp_top_down"] = bmp(4, -2, 24, rows=pattern_rows(4, 2, 24))
    files["bmp_32bit_masks"] = bmp(2, 2, 32, info_tail=v4_tail(124, (0xFF0000, 0xFF00, 0xFF)), compression=3)
    return files


# The rows of the layout table, in its order: --layout's choice is 1 + the place of its row.
LAYOUT_ROWS = ["pages", "columns", "adafruit", "adafruit (bwr, bwy)", "xbm", "micropython", "epd", "rows (2 bits)",
               "rows (4 bits)", "micropython (GS2_HMSB)", "micropython (GS4_HMSB)", "ssd1327", "grayscale", "image4g",
               "halves"]
PANELS = ["bw", "bwr", "bwy", "bwyr", "grey4", "grey16", "acep7", "spectra6"]


def array_seed(layout, width, text, panel=None):
    """The arrays target's input: the layout (0: the text's own, then 1 + its row) and the
    panel (0: the text's own, then 1 + its place) in one byte, the width (0: the text's
    own), then the text."""
    choice = layout + (len(LAYOUT_ROWS) + 1) * (0 if panel is None else 1 + PANELS.index(panel))
    return struct.pack("<BH", choice, width) + text.encode()


def array_seeds():
    """C text in each form the reader knows, and in the forms it refuses."""
    header = ("#define LOGO_GLCD_HEIGHT 10 \n#define LOGO_GLCD_WIDTH  3 \n"
              "static char logo_glcd_bmp[]={\n0x01, 0x80, 0xff, \n0x03, 0x00, 0x02\n};\n")
    return {
        "panelbake_header": array_seed(0, 0, header),
        "panelbake_header_as_columns": array_seed(2, 0, header.replace("\n", "\r\n")),
        "adafruit_header": array_seed(0, 0, "/* panelbake-prepare --for adafruit */\n#define L_ADAFRUIT_WIDTH  13\n"
                                            "#define L_ADAFRUIT_HEIGHT 2\nstatic unsigned char l_adafruit[] = {\n"
                                            "    0x80, 0x08,\n    0x40, 0x10,\n};\n"),
        "xbm": array_seed(0, 0, "#define l_width 9\n#define l_height 2\nstatic char l_bits[] = {\n"
                                "   0x01, 0x01, 0xfe, 0x00 };\n"),
        "module": array_seed(0, 0, "WIDTH = 3\nHEIGHT = 9\nDATA = bytearray(\n    b'\\x01\\x80\\xff'  # page 0\n"
                                   "    b'\\x01\\0A'\n)\nFRAME = framebuf.FrameBuffer(DATA, WIDTH, HEIGHT, "
                                   "framebuf.MONO_VLSB)\n"),
        "foreign_forms": array_seed(3, 12, "// several arrays\n#define N 4\nconst int sizes[] = {1, 2};\n"
                                           "const uint8_t a[N] PROGMEM = {0b1010, B11, 017, 0XFFu};\n"
                                           "uint8_t b[2][2] = {{1, 2}, {3, 4}};\n"),
        "bytes_alone": array_seed(4, 8, "0x00, 255,\n0X1F, /* a comment */ 7,\n"),
        "problems": array_seed(1, 2, "uint8_t a[] = {\n1, x, 256,, 3 4, 'a', \"{\"\n"),
        "frames_header": array_seed(0, 0, "static const unsigned char *const walk[2] = {\n    a,\n    b,\n};\n"),
        "directive_in_array": array_seed(5, 1, "#if 1\nuint8_t a[] = {\n#ifdef X\n1,\n#endif\n2 \\\n};\n"),
        "panel_rows": array_seed(0, 0, "/* l.h: 3 x 2 pixels of the acep7 panel. Made by panelbake-prepare --panel\n"
                                       " * acep7 --for rows. */\n#define L_WIDTH 3\n#define L_HEIGHT 2\n"
                                       "static unsigned char l[] = {0x01, 0x20, 0x6f, 0x50};\n"),
        "panel_planes": array_seed(0, 0, "/* Made by panelbake-prepare --panel bwr --for epd. */\n#define L_WIDTH 9\n"
                                         "#define L_HEIGHT 2\nstatic unsigned char l_black[] = {0x0f, 0xff, 0xf0, 0x7f};\n"
                                         "static unsigned char l_red[] = {0xf0, 0x7f, 0xff, 0x00};\n"),
        "panel_halves": array_seed(0, 0, "/* Made by panelbake-prepare --panel spectra6 --for halves. */\n"
                                         "#define L_WIDTH 5\n#define L_HEIGHT 1\nstatic unsigned char l_left[] = "
                                         "{0x12, 0x30};\nstatic unsigned char l_right[] = {0x56};\n"),
        "grey_module": array_seed(0, 0, "WIDTH = 5\nHEIGHT = 2\nDATA = bytearray(\n    b'\\x1b\\xe4'\n"
                                        "    b'\\xff\\x02'\n)\nFRAME = framebuf.FrameBuffer(DATA, WIDTH, HEIGHT, "
                                        "framebuf.GS2_HMSB)\n"),
        "foreign_panel": array_seed(9, 3, "uint8_t a[] = {0x01, 0x23, 0x45, 0x67};\n", "acep7"),
        "foreign_planes": array_seed(4, 5, "uint8_t a[] = {0x80, 0xc0};\nuint8_t b[] = {0xc0, 0x40};\n", "bwy"),
    }
class Stream:
    """A compressed stream as panelbake_play.h reads it: bits lowest first in bytes of their
    own, each frame's after the frame before's, numbers of 1 or more (a 0 before each binary
    digit after the leading 1, a 1 to end), the bytes of a run taken whole among them."""

    def __init__(self, frame_bytes):
        self.out = bytearray(struct.pack("<HH", frame_bytes, 0))
        self.used = 8

    def bit(self, value):
        if self.used == 8:
            self.at = len(self.out)
            self.out.append(0)
            self.used = 0
        self.out[self.at] |= value << self.used
        self.used += 1

    def number(self, value):
        digits = value.bit_length() - 1
        for d in range(digits - 1, -1, -1):
            self.bit(0)
            self.bit(value >> d & 1)
        self.bit(1)

    def frame(self, backward, steps):
        """Steps: bytes for a run from the stream, (count, offset) for a copy."""
        self.bit(1 if backward else 0)
        for step in steps:
            if isinstance(step, bytes):
                self.number(len(step))
                self.number(1)
                self.out += step
            else:
                count, offset = step
                self.number(count)
                self.number(2 * offset + 2 if offset >= 0 else -2 * offset + 1)
        return self

    def bytes(self, declared=None):
        """The stream, declaring the bytes after its header, or `declared` of them."""
        out = bytearray(self.out)
        out[2:4] = struct.pack("<H", len(out) - 4 if declared is None else declared)
        return bytes(out)


def player_seeds():
    """Streams for the player target: runs, copies by either sign and keeps in both
    directions, a frame of one byte, steps beyond the frame or the buffer, a stream cut
    short, and headers that declare nothing."""
    moving = Stream(16).frame(False, [b"\0\1\2\3\4\5\6\7", (8, -8)])
    moving.frame(False, [(2, 0), (6, 2), b"\x09\x0a", (6, -1)]).frame(True, [(4, 0), b"\xff", (11, -3)])
    files = {
        "runs": Stream(8).frame(False, [b"\1\2\3", b"\4\5\6\7\x08"]).frame(True, [b"\x11\x22\x33\x44\x55\x66\x77\x88"]).bytes(),
        "copies_and_keeps": moving.bytes(),
        "one_byte_frames": Stream(1).frame(False, [b"\x42"]).frame(False, [(1, 0)]).frame(True, [b"\x43"]).bytes(),
        "count_beyond_the_frame": Stream(4).frame(False, [(9, 0)]).bytes(),
        "source_beyond_the_buffer": Stream(4).frame(False, [b"\1", (3, 7)]).bytes(),
        "copy_before_the_first_byte": Stream(4).frame(True, [b"\1", (3, -4)]).bytes(),
        # A run whose count says more bytes than the stream holds.
        "run_beyond_the_stream": Stream(8).frame(False, [b"\1\2\3"]).bytes()[:-2],
        "cut_short": moving.bytes()[:14],
        "length_beyond_the_bytes": moving.bytes(declared=200),
        "length_of_nothing": moving.bytes(declared=0),
        "no_frames": Stream(16).bytes(),
        # A source number of 17 binary digits, kept in 16 bits.
        "source_number_over_16_bits": Stream(8).frame(False, [b"\1", (3, 40000)]).bytes(),
        # Bytes left from the source on, 30000 + 39999, kept in 16 bits: a source in the frame still.
        "source_in_16_bits_in_a_large_frame": Stream(40000).frame(False, [b"\1", (3, -30000)]).bytes(),
    }
    return files


def main():
    files = seeds()
    reader = HERE / "corpus" / "reader"
    pipeline = HERE / "corpus" / "pipeline"
    prepare = HERE / "corpus" / "prepare"
    reduction = HERE / "corpus" / "reduction"
    arrays = HERE / "corpus" / "arrays"
    player = HERE / "corpus" / "player"
    for directory in (reader, pipeline, prepare, reduction, arrays, player):
        shutil.rmtree(directory, ignore_errors=True)
        directory.mkdir(parents=True)
    for name, data in files.items():
        (reader / name).write_bytes(data)
    options = [(-1, -1, 0), (-1, 16, 1), (20, -1, 2), (32, 16, 3), (0, -1, 0), (-1, 0, 0), (7, 64, 0)]
    for i, (name, data) in enumerate(sorted(files.items())):
        width, height, flags = options[i % len(options)]
        (pipeline / name).write_bytes(pipeline_seed(width, height, flags, data))
    # Library messages on: a picture one pixel wide or high is scaled through pixelAt.
    (pipeline / "messages_one_column").write_bytes(pipeline_seed(-1, 16, 4, bmp(1, 5, 24)))
    (pipeline / "messages_one_row").write_bytes(pipeline_seed(12, -1, 4, bmp(5, 1, 8)))
    pictures = picture_seeds()
    for name, data in pictures.items():
        (prepare / name).write_bytes(data)
    # Every adjustment and rule, on pictures scaled down, up and cut.
    sources = {"24bit": bmp(9, 7, 24, rows=pattern_rows(9, 7, 24)), "8bit": bmp(9, 3, 8),
               "top_down": pictures["bmp_top_down"], "truncated": bmp(8, 8, 24)[:54 + 70],
               "png_rgba": pictures["png_type6_8bit"], "jpeg_exif_6": pictures["jpeg_exif_6"]}
    sizes = [(4, 3), (-1, 5), (20, -1), (16, 40), (2, 1)]
    for i, (name, data) in enumerate(sources.items()):
        for adjustments in (0, 1, 2, 3 | 4, 8 | 16, 1 | 8):
            width, height = sizes[(i + adjustments) % len(sizes)]
            (reduction / f"{name}_adjust{adjustments}").write_bytes(
                reduction_seed(width, height, adjustments, (i + adjustments) % 5, 383, data))
    for name, data in array_seeds().items():
        (arrays / name).write_bytes(data)
    for name, data in player_seeds().items():
        (player / name).write_bytes(data)


if __name__ == "__main__":
    main()
