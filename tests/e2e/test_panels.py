# SPDX-License-Identifier: MIT
"""panelbake-prepare --panel: a picture reduced to a panel's colours, its BMP and its arrays
in every layout the panel takes.

- The panel's BMP is opened by Pillow and ImageMagick, its colour table the panel's colours
  by value, and its pixel values are those every array holds: each layout's bytes are read
  back by a plain decoder written from the layout's definition below.
- Readers this project did not write take the arrays: gcc and avr-gcc, MicroPython's framebuf
  (its WebAssembly port from npm, under Node), and luma.oled's SSD1322 and SSD1327 drivers,
  whose bytes sent to a display are the rows and ssd1327 layouts.
- The pictures are 13 pixels wide, so that every row's padding shows.
"""
import io
import json
import os
import random
import re
import shutil
import subprocess
import unittest

from PIL import Image

from glcd_support import PrepareTest
from picture_craft import gif, gif_frame
from test_layouts import NODE, SOURCE_DIR, npm_port

PREPARED, COMMAND_LINE, EXISTS = 0, 1, 5

WHITE = (255, 255, 255)
# Each panel's colours by value (None: a value it does not use), and the layouts it takes.
PANELS = {
    "bwr": ([(0, 0, 0), WHITE, (255, 0, 0)], ["adafruit", "epd"]),
    "bwy": ([(0, 0, 0), WHITE, (255, 255, 0)], ["adafruit", "epd"]),
    "bwyr": ([(0, 0, 0), WHITE, (255, 255, 0), (255, 0, 0)], ["rows"]),
    "grey4": ([(0, 0, 0), (0x55,) * 3, (0xAA,) * 3, WHITE], ["rows", "micropython", "image4g"]),
    "grey16": ([(v * 17,) * 3 for v in range(16)], ["rows", "micropython", "ssd1327", "grayscale"]),
    "acep7": ([(0, 0, 0), WHITE, (0, 255, 0), (0, 0, 255), (255, 0, 0), (255, 255, 0), (255, 128, 0)],
              ["rows", "halves"]),
    "spectra6": ([(0, 0, 0), WHITE, (255, 255, 0), (255, 0, 0), None, (0, 0, 255), (0, 255, 0)], ["rows", "halves"]),
}


def bits_of(panel, layout):
    """The bits a pixel takes in a layout of the panel."""
    if layout in ("adafruit", "epd"):
        return 1
    if layout == "grayscale":
        return 8
    return 2 if panel in ("bwyr", "grey4") else 4


def decode(data, width, height, bits, low_first=False, padded_to=1):
    """Rows of values from bytes of rows from the top, each padded to whole bytes (and to a
    multiple of `padded_to` pixels), the leftmost pixel of a byte in its highest bits (its
    lowest with `low_first`). The padding bits are returned too."""
    per_byte = 8 // bits
    stride = -(-(-(-width // padded_to) * padded_to) // per_byte)
    assert len(data) == stride * height, (len(data), stride, height)
    rows, padding = [], []
    for y in range(height):
        values = []
        for i in range(stride * per_byte):
            shift = (i % per_byte) * bits if low_first else 8 - (i % per_byte + 1) * bits
            values.append(data[y * stride + i // per_byte] >> shift & (1 << bits) - 1)
        rows.append(values[:width])
        padding += values[width:]
    return rows, padding


def file_name(panel, layout, stem):
    """The file --for writes for the BMP stem + '.bmp': the panel's first layout is stem.h."""
    if layout == "micropython":
        return stem + ".py"
    return stem + (".h" if layout == PANELS[panel][1][0] else "_" + layout + ".h")


def arrays_of(text):
    """The arrays of a C file by name, or a MicroPython module's DATA, as bytes."""
    if "bytearray(" in text:
        return {"DATA": bytes(int(v, 16) for v in re.findall(r"\\x([0-9a-f]{2})", text))}
    return {name: bytes(int(v, 16) for v in re.findall(r"0x([0-9a-f]{2})", body))
            for name, body in re.findall(r"(\w+)\[\]\s*=\s*\{(.*?)\};", text, re.S)}


def photo(width, height, seed):
    """Colours at random over a few smooth bands, as PNG bytes."""
    generator = random.Random(seed)
    image = Image.new("RGB", (width, height))
    image.putdata([(x * 255 // width, generator.randrange(256), y * 255 // height) for y in range(height)
                   for x in range(width)])
    out = io.BytesIO()
    image.save(out, "PNG")
    return out.getvalue()


class Panels(PrepareTest):
    def bmp_values(self, path):
        with Image.open(self.path(path)) as image:
            self.assertEqual((image.format, image.mode), ("BMP", "P"))
            width, height = image.size
            values = list(image.getdata())
            palette = image.getpalette()[:48]
        return [values[y * width:(y + 1) * width] for y in range(height)], palette

    def layout_values(self, panel, layout, text, width, height):
        """The values the file's arrays hold, by the layout's definition."""
        arrays = list(arrays_of(text).values())
        bits = bits_of(panel, layout)
        if layout in ("adafruit", "epd"):  # planes: black (value 0), then red or yellow (value 2)
            ink = 0 if layout == "epd" else 1
            (black, black_pad), (colour, colour_pad) = (decode(a, width, height, 1) for a in arrays)
            self.assertEqual(set(black_pad + colour_pad), {1 - ink})
            self.assertFalse(any(b == c == ink for rb, rc in zip(black, colour) for b, c in zip(rb, rc)))
            return [[0 if b == ink else 2 if c == ink else 1 for b, c in zip(rb, rc)] for rb, rc in zip(black, colour)]
        if layout == "halves":
            (left, pad_l), (right, pad_r) = (decode(a, w, height, bits) for a, w in
                                             zip(arrays, ((width + 1) // 2, width // 2)))
            self.assertEqual(set(pad_l + pad_r), {0})
            return [a + b for a, b in zip(left, right)]
        low_first = layout == "ssd1327" or (layout == "micropython" and bits == 2)
        values, padding = decode(arrays[0], width, height, bits, low_first, 8 if layout == "image4g" else 1)
        self.assertEqual(set(padding) - {0}, set())
        return values

    def test_every_layout_holds_the_values_of_the_panels_bmp(self):
        self.write("photo.png", photo(26, 14, 3))
        for panel, (colours, layouts) in PANELS.items():
            for dither in ((), ("--dither", "none"), ("--dither", "floyd-steinberg"), ("--dither", "bayer4")):
                with self.subTest(panel=panel, dither=dither):
                    options = ["--panel", panel, *dither, "-w", "13", "-h", "7", "--force"]
                    self.prepared("photo.png", *options)
                    values, _ = self.bmp_values("photo_%s.bmp" % panel)
                    used = {v for row in values for v in row}
                    self.assertTrue(used <= {v for v, c in enumerate(colours) if c}, used)
                    self.prepared("photo.png", *options, "--for", ",".join(layouts), "-pgm")
                    for layout in layouts:
                        text = self.read_header(file_name(panel, layout, "photo_" + panel))
                        self.assertEqual(self.layout_values(panel, layout, text, 13, 7), values, layout)
            self.assertTrue(len(used) > 1, panel)

    def test_picture_programs_see_the_panels_colours(self):
        self.write("photo.png", photo(13, 7, 5))
        measured = "#101010, #F0F0E0,#ff0000, #f00000 ,#a0a0ff,#ffff00,#ff8000"  # two alike
        for panel, palette in (("acep7", measured), ("spectra6", None), ("bwr", None), ("grey16", None)):
            with self.subTest(panel=panel):
                colours = list(PANELS[panel][0])
                args = ("photo.png", "--panel", panel, "-o", panel + ".bmp")
                if palette:
                    args += ("--palette", palette)
                    colours = [tuple(int(c.strip()[i:i + 2], 16) for i in (1, 3, 5)) for c in palette.split(",")]
                self.prepared(*args)
                values, table = self.bmp_values(panel + ".bmp")
                shown = [c or WHITE for c in colours] + [WHITE] * (16 - len(colours))  # unused: white
                self.assertEqual([tuple(table[i:i + 3]) for i in range(0, 48, 3)], shown)
                magick = subprocess.run(["/usr/bin/convert", self.path(panel + ".bmp"), "-depth", "8", "rgb:-"],
                                        capture_output=True, check=True).stdout
                self.assertEqual([tuple(magick[i:i + 3]) for i in range(0, len(magick), 3)],
                                 [shown[v] for row in values for v in row])

    def test_names_and_the_call_in_each_file(self):
        self.write("my-logo.png", photo(13, 7, 7))
        self.prepared("my-logo.png", "--panel", "bwr", "--for", "epd,adafruit")
        self.prepared("my-logo.png", "--panel", "spectra6", "--for", "halves,rows", "-pgm")
        os.makedirs(self.path("art"))
        self.prepared("my-logo.png", "--panel", "grey4", "--for", "micropython,image4g", "-o", "art/g.bmp")
        self.assertEqual(self.files(), ["art/g.py", "art/g_image4g.h", "my-logo.png", "my_logo_bwr.h",
                                        "my_logo_bwr_epd.h", "my_logo_spectra6.h", "my_logo_spectra6_halves.h"])
        calls = {
            "my_logo_bwr.h": "display.drawImage(my_logo_bwr_black, my_logo_bwr_red, 0, 0, MY_LOGO_BWR_WIDTH, "
                             "MY_LOGO_BWR_HEIGHT, true, false, false);",
            "my_logo_bwr_epd.h": "display.drawImage(my_logo_bwr_epd_black, my_logo_bwr_epd_red, 0, 0, "
                                 "MY_LOGO_BWR_EPD_WIDTH, MY_LOGO_BWR_EPD_HEIGHT, false, false, false);",
            "my_logo_spectra6.h": "display.drawNative(my_logo_spectra6, 0, 0, 0, MY_LOGO_SPECTRA6_WIDTH, "
                                  "MY_LOGO_SPECTRA6_HEIGHT, false, false, true);",
            "art/g_image4g.h": "display.drawImage_4G(g_image4g, 2, 0, 0, G_IMAGE4G_WIDTH, G_IMAGE4G_HEIGHT);",
            "art/g.py": "FRAME = framebuf.FrameBuffer(DATA, WIDTH, HEIGHT, framebuf.GS2_HMSB)",
        }
        for name, call in calls.items():
            self.assertIn(call, self.read_header(name), name)
        self.assertIn("Made by panelbake-prepare --panel spectra6 --for halves.",
                      " ".join(self.read_header("my_logo_spectra6_halves.h").replace("*", "").split()))

    def test_refusals_say_why_and_write_nothing(self):
        self.write("logo.png", photo(13, 7, 1))
        self.write("thin.png", photo(1, 7, 1))
        self.write("a.png", photo(4, 4, 2))
        self.write("walk.gif", gif(4, 4, [(0, 0, 0), WHITE], [gif_frame(0, 0, [[(x + y + k) % 2 for x in range(4)]
                                                                                 for y in range(4)]) for k in range(2)]))
        before = self.files()
        cases = [
            (("logo.png", "--panel", "bwz"), COMMAND_LINE,
             '--panel needs bw, bwr, bwy, bwyr, grey4, grey16, acep7 or spectra6, not "bwz"'),
            (("logo.png", "--panel", "acep7", "--palette", "#000000,#ffffff"), COMMAND_LINE,
             "--palette for acep7 needs 7 colours (black, white, green, blue, red, yellow, orange), not 2"),
            (("logo.png", "--palette", "#000000,#fffff,#ff0000", "--panel", "bwr"), COMMAND_LINE,
             '--palette for bwr needs #rrggbb for colour 2 (white), not "#fffff": it has 5 hex digits, not 6'),
            (("logo.png", "--palette", "#000000,#ffffff"), COMMAND_LINE,
             "--palette gives the colours of a panel of colours: bw is black and white, cut by --threshold"),
            (("logo.png", "--panel", "grey4", "--threshold", "300"), COMMAND_LINE,
             "--threshold is for black and white (--panel bw): --panel grey4 takes the nearest of its colours"),
            (("logo.png", "--for", "adafruit", "--panel", "acep7"), COMMAND_LINE,
             "--for adafruit is not a layout of --panel acep7, which takes rows or halves"),
            (("logo.png", "--panel", "bwr", "--for", "glcd"), COMMAND_LINE,
             '--for needs adafruit or epd (one or more, separated by commas), not "glcd"'),
            (("logo.png", "--panel", "acep7", "-pgm"), COMMAND_LINE,
             "-pgm is for the C arrays of --for or --compress"),
            (("walk.gif", "--panel", "bwr", "--compress"), COMMAND_LINE,
             "--compress is for black and white (--panel bw): an animation's frames are not prepared for --panel bwr"),
            (("walk.gif", "--panel", "bwr", "--for", "adafruit"), COMMAND_LINE,
             'source file "walk.gif": an animation is prepared in black and white only, and --panel bwr asks for '
             "colours: give one frame, or --panel bw"),
            (("--table", "icons", "a.png", "logo.png", "--panel", "acep7"), COMMAND_LINE,
             "--table ties arrays together, and --panel acep7 writes its arrays with --for rows or halves only: "
             "give --for"),
            (("thin.png", "--panel", "spectra6", "--for", "rows,halves"), COMMAND_LINE,
             'source file "thin.png": --for halves cuts every row in two, and the picture is 1 pixel wide (give -w)'),
        ]
        for args, code, message in cases:
            with self.subTest(args=args):
                got, out, err = self.prepare(*args)
                self.assertEqual(got, code, err)
                self.assertTrue(err.startswith("Error: " + message), err)
        self.assertEqual(self.files(), before)
        self.prepared("logo.png", "--panel", "bwyr")
        got, out, err = self.prepare("logo.png", "--panel", "bwyr")
        self.assertEqual((got, err), (EXISTS, 'Error: "logo_bwyr.bmp" exists; give --force to replace it\n'))

    def test_every_c_file_compiles_and_holds_its_bytes(self):
        # Every panel's C files in one program for each of -pgm, -pic30 and neither: starting a
        # compiler is most of the time, so it is started once for them all.
        self.write("logo.png", photo(13, 7, 9))
        for flags in ((), ("-pgm",), ("-pic30",)):
            headers = []
            for panel, (_, layouts) in PANELS.items():
                c_layouts = [layout for layout in layouts if layout != "micropython"]
                self.prepared("logo.png", "--panel", panel, "--for", ",".join(c_layouts), *flags, "--force")
                headers += [file_name(panel, layout, "logo_" + panel) for layout in c_layouts]
            with self.subTest(flags=flags):
                self.compile_with_their_bytes(headers, flags)

    def compile_with_their_bytes(self, headers, flags):
        arrays = {}
        for header in headers:
            arrays.update(arrays_of(self.read_header(header)))
        include = "".join('#include "%s"\n' % header for header in headers)
        if flags == ("-pgm",):
            if not shutil.which("avr-gcc"):
                return
            reads = "".join("s += pgm_read_byte(&%s[i]);\n" % name for name in arrays)
            self.compile("avr-gcc", "#include <avr/pgmspace.h>\n" + include + "unsigned char at(unsigned i) "
                         "{ unsigned char s = 0;\n" + reads + "return s; }\n", "-mmcu=atmega328p", "-std=c99", "-Os",
                         "-c", "-o", "use.o")
            subprocess.run(["avr-objcopy", "-O", "binary", "-j", ".progmem.data", "use.o", "flash.bin"],
                           cwd=self.dir, check=True)
            # Each array where the symbol table places it in program memory.
            symbols = subprocess.run(["avr-objdump", "-t", "use.o"], cwd=self.dir, capture_output=True, text=True,
                                     check=True).stdout
            placed = {name: (int(at, 16), int(size, 16)) for at, size, name in
                      re.findall(r"^([0-9a-f]+) l +O \.progmem\.data\s+([0-9a-f]+) (\w+)$", symbols, re.M)}
            self.assertEqual(sorted(placed), sorted(arrays))
            flash = self.read("flash.bin")
            for name, (at, size) in placed.items():
                self.assertEqual(flash[at:at + size], arrays[name], name)
        elif flags:  # the host compiler does not know auto_psv; it checks the rest
            self.compile("gcc", include + "".join("const unsigned char *%s_at(void) { return %s; }\n" % (n, n)
                                                  for n in arrays), "-std=c99", "-Wno-attributes", "-fsyntax-only")
        else:
            puts = "".join("for (i = 0; i < sizeof %s; i++) putchar(%s[i]);\n" % (n, n) for n in arrays)
            self.compile("gcc", "#include <stdio.h>\n" + include + "int main(void) { unsigned i;\n" + puts +
                         "return 0; }\n", "-std=c99", "-o", "use")
            out = subprocess.run([self.path("use")], capture_output=True, check=True).stdout
            self.assertEqual(out, b"".join(arrays.values()))
            self.compile("g++", include + "".join("const unsigned char *%s_at() { return %s; }\n" % (n, n)
                                                  for n in arrays), "-x", "c++", "-std=c++17", "-fsyntax-only")

    def test_tables_of_two_planes_and_of_halves(self):
        self.write("wifi.png", photo(13, 7, 11))
        self.write("bell.png", photo(9, 12, 12))
        self.prepared("--table", "icons", "wifi.png", "bell.png", "--panel", "bwr", "--for", "adafruit,epd")
        self.prepared("--table", "frames", "wifi.png", "bell.png", "--panel", "acep7", "--for", "halves", "-pgm")
        self.assertIn('#include "wifi_bwr.h"\n#include "bell_bwr.h"\n', self.read_header("icons.h"))
        self.assertIn("display.drawImage(icons_epd_black[i], icons_epd_red[i], 0, 0, icons_epd_width[i], "
                      "icons_epd_height[i], false, false, false);", self.read_header("icons_epd.h"))
        self.compile("gcc", '#define pgm_read_byte(p) (*(p))\n#include "icons.h"\n#include "icons_epd.h"\n'
                     '#include "frames_halves.h"\nunsigned sum(void) { unsigned s = 0, i;\n'
                     "  for (i = 0; i < ICONS_COUNT; i++) s += icons_black[i][0] + icons_red[i][0] + icons_width[i];\n"
                     "  for (i = 0; i < ICONS_EPD_COUNT; i++) s += icons_epd_black[i][0] + icons_epd_red[i][0];\n"
                     "  for (i = 0; i < FRAMES_HALVES_COUNT; i++)\n"
                     "    s += pgm_read_byte(&frames_halves_left[i][0]) + pgm_read_byte(&frames_halves_right[i][0]);\n"
                     "  return s; }\n", "-std=c99", "-Wno-attributes", "-c")

    def test_micropython_draws_the_grey_modules(self):
        port, why = npm_port()
        if port is None:
            self.skipTest(why)
        self.write("photo.png", photo(13, 7, 13))
        expected, files, code = [], {}, "import logo_grey4, logo_grey16\n"
        for panel in ("grey4", "grey16"):
            self.prepared("photo.png", "--panel", panel, "--dither", "atkinson", "-o", "logo_%s.bmp" % panel)
            self.prepared("photo.png", "--panel", panel, "--dither", "atkinson", "-o", "logo_%s.bmp" % panel,
                          "--for", "micropython")
            expected.append(self.bmp_values("logo_%s.bmp" % panel)[0])
            files["logo_%s.py" % panel] = self.read_header("logo_%s.py" % panel)
            code += ("f = logo_{0}.FRAME\nprint([[f.pixel(x, y) for x in range(logo_{0}.WIDTH)] "
                     "for y in range(logo_{0}.HEIGHT)])\n").format(panel)
        run = subprocess.run([NODE, str(SOURCE_DIR / "tests/readers/micropython_run.mjs"), str(port)],
                             input=json.dumps({"files": files, "code": code}), capture_output=True, text=True,
                             timeout=300)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, "".join("%s\n" % rows for rows in expected))

    def test_luma_oled_sends_the_grey16_layouts(self):
        try:
            subprocess.run(["/usr/bin/python3", "-c", "import luma.oled"], check=True, capture_output=True)
        except subprocess.CalledProcessError:
            self.skipTest("Debian's python3-luma.oled is not installed")
        for driver, size, layout in (("ssd1322", (256, 64), "rows"), ("ssd1327", (128, 128), "ssd1327")):
            with self.subTest(driver=driver):
                self.write("photo.png", photo(*size, 17))
                self.prepared("photo.png", "--panel", "grey16", "--dither", "floyd-steinberg", "--force")
                self.prepared("photo.png", "--panel", "grey16", "--dither", "floyd-steinberg", "--for", layout,
                              "--force")
                array = next(iter(arrays_of(self.read_header(file_name("grey16", layout, "photo_grey16"))).values()))
                sent = subprocess.run(["/usr/bin/python3", "-c", LUMA % driver, self.path("photo_grey16.bmp")],
                                      capture_output=True, check=True).stdout
                self.assertEqual(sent, array)


# The bytes a luma.oled driver sends to its display for a picture: the last data of a
# display() through a serial interface that keeps what it is given.
LUMA = """
import sys
from PIL import Image
from luma.core.framebuffer import full_frame
from luma.oled.device import %s as driver
class Capture:
    def command(self, *cmd): pass
    def data(self, data): self.sent = bytes(data)
    def cleanup(self): pass
serial = Capture()
device = driver(serial, framebuffer=full_frame())
device.display(Image.open(sys.argv[1]).convert("RGB"))
sys.stdout.buffer.write(serial.sent)
"""


if __name__ == "__main__":
    unittest.main()
