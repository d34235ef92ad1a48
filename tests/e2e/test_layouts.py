# SPDX-License-Identifier: MIT
"""panelbake-prepare --for: the arrays display libraries read, and C text read back into
pictures.

- Every layout's bytes are held to the preview of the two steps `panelbake-prepare P -o
  P.bmp [options] && panelbake P.bmp`, through readers this project did not write: Pillow's
  X bitmap and PBM (P4, which is the adafruit layout) readers, ImageMagick's X bitmap reader,
  MicroPython's own framebuf (its WebAssembly port from npm, under Node) and CircuitPython's
  adafruit_framebuf (PyPI, where it can be had), and the compilers.
- layout_black() below decodes each layout by its definition, as a second reference.
- The pictures make a wrong layout visible: widths of 13 and 130, heights that are not
  multiples of 8, shapes without symmetry.
"""
import io
import json
import os
import random
import re
import shutil
import subprocess
import unittest
from pathlib import Path

from PIL import Image

from bmp_craft import bmp
from glcd_support import PrepareTest, bmp24, pattern, pillow_black
from picture_craft import gif, gif_frame

SOURCE_DIR = Path(os.environ.get("PANELBAKE_SOURCE_DIR", Path(__file__).resolve().parents[2]))
BINARY_DIR = Path(os.environ.get("PANELBAKE_BINARY_DIR", "."))
NODE = "/usr/bin/node"
LAYOUTS = ("pages", "columns", "adafruit", "xbm", "micropython")
PREPARED, COMMAND_LINE, NOT_A_PICTURE, EXISTS, ARRAY_UNFIT = 0, 1, 3, 5, 8


def layout_file(layout, base):
    """The file --for writes for the BMP named base + '.bmp'."""
    return {"pages": base + "_glcd.h", "columns": base + "_columns.h", "adafruit": base + "_adafruit.h",
            "xbm": base + ".xbm", "micropython": base + ".py"}[layout]


def file_bytes(text):
    """The bytes of an array in a C file or a MicroPython module."""
    if "bytearray(" in text:
        return bytes(int(v, 16) for v in re.findall(r"\\x([0-9a-f]{2})", text))
    body = re.search(r"\[\]\s*=\s*\{(.*?)\};", text, re.S).group(1)
    return bytes(int(v, 16) for v in re.findall(r"0x([0-9a-f]{2})", body))


def layout_black(layout, data, width, height):
    """The pixels (True for black) of bytes in a layout, by its definition; the padding bits
    must be 0."""
    black = [[False] * width for _ in range(height)]
    if layout in ("adafruit", "xbm"):
        stride = (width + 7) // 8
        assert len(data) == stride * height, (len(data), stride, height)
        for y in range(height):
            for i in range(8 * stride):
                bit = i % 8 if layout == "xbm" else 7 - i % 8
                on = data[y * stride + i // 8] >> bit & 1
                if i < width:
                    black[y][i] = bool(on)
                else:
                    assert not on, "padding of row %d" % y
        return black
    pages = (height + 7) // 8
    assert len(data) == pages * width, (len(data), pages, width)
    for p in range(pages):
        for x in range(width):
            byte = data[x * pages + p] if layout == "columns" else data[p * width + x]
            for b in range(8):
                if 8 * p + b < height:
                    black[8 * p + b][x] = bool(byte >> b & 1)
                else:
                    assert not byte >> b & 1, "padding of page %d" % p
    return black


def file_black(layout, text):
    """The pixels of a file written in a layout, by its size and bytes."""
    if layout == "micropython":
        width, height = (int(re.search(r"^%s = (\d+)$" % side, text, re.M).group(1)) for side in ("WIDTH", "HEIGHT"))
    else:
        width, height = (int(re.search(r"^#define \w+_%s\s+(\d+)" % side, text, re.M | re.I).group(1))
                         for side in ("WIDTH", "HEIGHT"))
    return layout_black(layout, file_bytes(text), width, height)


def shape(width, height):
    """Black strokes on white without symmetry: a left bar, a bottom bar, a diagonal and a
    corner dot."""
    rows = [[(255, 255, 255)] * width for _ in range(height)]
    for y in range(height):
        rows[y][1] = (0, 0, 0)
        rows[y][min(width - 1, 3 + y)] = (40, 40, 40)
    for x in range(1, width * 2 // 3):
        rows[height - 1][x] = (0, 0, 0)
    rows[0][width - 1] = (0, 0, 0)
    return rows


def png_of(rows):
    image = Image.new("RGB", (len(rows[0]), len(rows)))
    image.putdata([p for row in rows for p in row])
    out = io.BytesIO()
    image.save(out, "PNG")
    return out.getvalue()


def npm_port():
    """MicroPython's WebAssembly port installed into the build tree at the version
    tests/readers/package-lock.json pins: (node_modules folder, None), or (None, why not)."""
    npm = shutil.which("npm")
    if not npm or not os.path.exists(NODE):
        return None, "needs Node and npm"
    target = BINARY_DIR / "test-readers"
    lock = (SOURCE_DIR / "tests/readers/package-lock.json").read_bytes()
    installed = target / "node_modules/@micropython/micropython-webassembly-pyscript/micropython.mjs"
    if not installed.exists() or (target / "package-lock.json").read_bytes() != lock:
        target.mkdir(parents=True, exist_ok=True)
        for name in ("package.json", "package-lock.json"):
            shutil.copy(SOURCE_DIR / "tests/readers" / name, target / name)
        run = subprocess.run([npm, "ci", "--ignore-scripts", "--no-audit", "--no-fund", "--prefix", str(target)],
                             capture_output=True, text=True, timeout=600)
        if run.returncode != 0:
            return None, "npm could not install MicroPython's WebAssembly port: " + run.stderr.strip()[-300:]
    return target / "node_modules", None


def pypi_framebuf():
    """A virtual environment in the build tree with adafruit-circuitpython-framebuf from PyPI:
    (its python, None), or (None, why not)."""
    venv = BINARY_DIR / "test-readers" / "venv"
    python = venv / "bin" / "python"
    check = [str(python), "-c", "import adafruit_framebuf"]
    if python.exists() and subprocess.run(check, capture_output=True).returncode == 0:
        return python, None
    made = subprocess.run(["/usr/bin/python3", "-m", "venv", str(venv)], capture_output=True, text=True)
    if made.returncode != 0:
        return None, "no virtual environment: " + made.stderr.strip()[-200:]
    pip = subprocess.run([str(python), "-m", "pip", "install", "--timeout", "10", "--retries", "0",
                          "adafruit-circuitpython-framebuf==1.6.12"], capture_output=True, text=True, timeout=300)
    if pip.returncode != 0:
        return None, "PyPI gives no adafruit-circuitpython-framebuf here: " + pip.stderr.strip()[-200:]
    return python, None


# What a framebuf reads, printed as rows of '#' (pixel set) and '.'; `make(data, w, h)` makes
# the frame buffer of a layout's bytes.
FRAMEBUF_ROWS = """
def rows(fb, width, height):
    return '\\n'.join(''.join('#' if fb.pixel(x, y) else '.' for x in range(width)) for y in range(height))
"""


class Layouts(PrepareTest):
    def two_steps(self, source, *options, flags=()):
        """The preview's pixels and the files of `panelbake-prepare source -o chain/NAME.bmp
        [options] && panelbake chain/NAME.bmp [flags]`."""
        name = os.path.splitext(source)[0]
        os.makedirs(self.path("chain"), exist_ok=True)
        self.prepared(source, "-o", "chain/%s.bmp" % name, "--force", *options)
        r = self.run_tool("chain/%s.bmp" % name, *flags)
        self.assertEqual((r.code, r.err), (0, ""))
        return pillow_black(self.path("chain/%s_glcd.bmp" % name))

    def layout_black_of(self, layout, path):
        return file_black(layout, self.read_header(path))

    def test_one_step_gives_the_two_steps_pixels_and_pages_their_bytes(self):
        self.write("shape.png", png_of(shape(13, 10)))
        self.write("photo.png", png_of(pattern(130, 37)))
        rows = pattern(29, 11)
        self.write("logo.bmp", bmp(29, 11, 8, rows=[bytes(x % 256 for x in range(29 * y, 29 * y + 29)) for y in range(11)]))
        self.write("wide.bmp", bmp24(rows))
        cases = [
            ("shape.png", (), ()),
            ("photo.png", ("-w", "130", "-h", "37", "--dither", "atkinson"), ("-pgm",)),
            ("photo.png", ("--rotate", "90", "-h", "13", "--threshold", "500"), ("-pic30",)),
            ("logo.bmp", (), ()),  # a BMP panelbake reads as it is
            ("wide.bmp", ("--flip", "h", "--invert"), ()),
        ]
        for source, options, flags in cases:
            with self.subTest(source=source, options=options, flags=flags):
                preview = self.two_steps(source, *options, flags=flags)
                name = os.path.splitext(source)[0]
                self.prepared(source, "--for", ",".join(LAYOUTS), *options, *flags, "--force")
                for extension in (".h", ".bmp"):
                    self.assertEqual(self.read(name + "_glcd" + extension), self.read("chain/" + name + "_glcd" + extension))
                for layout in LAYOUTS:
                    self.assertEqual(self.layout_black_of(layout, layout_file(layout, name)), preview, layout)
                if source.endswith(".png"):  # no BMP of the picture is written
                    self.assertFalse(os.path.exists(self.path(name + ".bmp")))

    def test_readers_we_did_not_write_see_the_preview(self):
        self.write("shape.png", png_of(shape(13, 10)))
        preview = self.two_steps("shape.png")
        self.prepared("shape.png", "--for", "adafruit,xbm")
        for flag in ("-pgm", "-pic30"):
            os.makedirs(self.path(flag[1:]))
            self.prepared("shape.png", "--for", "xbm", flag, "-o", flag[1:] + "/shape.bmp")
        # Pillow reads an X bitmap's set bits as 1 (white in its mode "1"), whatever they stand for.
        for xbm in ("shape.xbm", "pgm/shape.xbm", "pic30/shape.xbm"):
            with Image.open(self.path(xbm)) as image:
                self.assertEqual(image.format, "XBM")
                values = list(image.getdata())
            self.assertEqual([[values[y * 13 + x] != 0 for x in range(13)] for y in range(10)], preview, xbm)
        # ImageMagick reads the declaration written without -pgm and -pic30.
        magick = subprocess.run(["/usr/bin/convert", self.path("shape.xbm"), "-depth", "8", "gray:-"],
                                capture_output=True, check=True).stdout
        self.assertEqual([[magick[y * 13 + x] == 0 for x in range(13)] for y in range(10)], preview)
        # The adafruit rows are a PBM raster: P4 is rows of bytes, the leftmost pixel in bit 7, 1 black.
        rows = file_bytes(self.read_header("shape_adafruit.h"))
        self.assertEqual(pillow_black(io.BytesIO(b"P4\n13 10\n" + rows)), preview)

    def micropython(self, files, code):
        port, why = npm_port()
        if port is None:
            self.skipTest(why)
        run = subprocess.run([NODE, str(SOURCE_DIR / "tests/readers/micropython_run.mjs"), str(port)],
                             input=json.dumps({"files": files, "code": code}), capture_output=True, text=True,
                             timeout=300)
        self.assertEqual(run.returncode, 0, run.stderr)
        return run.stdout

    def test_micropython_draws_the_module_and_reads_every_layout_of_its_format(self):
        self.write("photo.png", png_of(pattern(130, 37)))
        preview = self.two_steps("photo.png")
        self.prepared("photo.png", "--for", ",".join(LAYOUTS))
        expected = "\n".join("".join("#" if b else "." for b in row) for row in preview)
        data = {layout: list(file_bytes(self.read_header(layout_file(layout, "photo")))) for layout in LAYOUTS}
        code = FRAMEBUF_ROWS + "import framebuf, photo\nprint(rows(photo.FRAME, photo.WIDTH, photo.HEIGHT))\n"
        for layout, fmt in (("pages", "MONO_VLSB"), ("adafruit", "MONO_HLSB"), ("xbm", "MONO_HMSB")):
            code += "print(rows(framebuf.FrameBuffer(bytearray(%s), 130, 37, framebuf.%s), 130, 37))\n" % (
                data[layout], fmt)
        out = self.micropython({"photo.py": self.read_header("photo.py")}, code)
        self.assertEqual(out, (expected + "\n") * 4)

    def test_circuitpython_framebuf_reads_pages_and_rows(self):
        python, why = pypi_framebuf()
        if python is None:
            self.skipTest(why)
        self.write("shape.png", png_of(shape(13, 10)))
        preview = self.two_steps("shape.png")
        self.prepared("shape.png", "--for", "pages,micropython,adafruit")
        expected = "\n".join("".join("#" if b else "." for b in row) for row in preview)
        pages = list(file_bytes(self.read_header("shape_glcd.h")))
        rows = list(file_bytes(self.read_header("shape_adafruit.h")))
        code = FRAMEBUF_ROWS + (
            "import adafruit_framebuf as fb, shape\n"
            "print(rows(shape.FRAME, 13, 10))\n"
            "print(rows(fb.FrameBuffer(bytearray(%s), 13, 10, fb.MVLSB), 13, 10))\n"
            "print(rows(fb.FrameBuffer(bytearray(%s), 13, 10, fb.MHMSB, 16), 13, 10))\n" % (pages, rows))
        run = subprocess.run([str(python), "-c", code], cwd=self.dir, capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, (expected + "\n") * 3)

    def test_every_c_file_compiles_and_holds_its_bytes(self):
        self.write("shape.png", png_of(shape(130, 37)))
        c_layouts = ("pages", "columns", "adafruit", "xbm")
        for flags in ((), ("-pgm",), ("-pic30",)):
            self.prepared("shape.png", "--for", ",".join(c_layouts), *flags, "--force")
            for layout in c_layouts:
                with self.subTest(layout=layout, flags=flags):
                    text = self.read_header(layout_file(layout, "shape"))
                    array = re.search(r"(\w+)\[\]\s*=", text).group(1)
                    include = '#include "%s"\n' % layout_file(layout, "shape")
                    if flags == ("-pgm",) and shutil.which("avr-gcc"):
                        self.compile("avr-gcc", "#include <avr/pgmspace.h>\n" + include +
                                     "unsigned char at(unsigned i) { return pgm_read_byte(&%s[i]); }\n" % array,
                                     "-mmcu=atmega328p", "-std=c99", "-Os", "-c", "-o", "use.o")
                        subprocess.run(["avr-objcopy", "-O", "binary", "-j", ".progmem.data", "use.o", "flash.bin"],
                                       cwd=self.dir, check=True)
                        self.assertEqual(self.read("flash.bin"), file_bytes(text))
                    elif not flags:
                        self.compile("gcc", "#include <stdio.h>\n" + include + "int main(void) { for (unsigned i = 0; "
                                     "i < sizeof %s; i++) putchar(%s[i]); return 0; }\n" % (array, array),
                                     "-std=c99", "-o", "use")
                        out = subprocess.run([self.path("use")], capture_output=True, check=True).stdout
                        self.assertEqual(out, file_bytes(text))
                        if layout != "pages":  # unsigned: C++ takes bytes of 0x80 and more
                            self.compile("g++", include + "const unsigned char *first() { return %s; }\n" % array,
                                         "-x", "c++", "-std=c++17", "-fsyntax-only")
                    else:  # the host compiler does not know auto_psv; it checks the rest
                        self.compile("gcc", include + "const unsigned char *first(void) { return %s; }\n" % array,
                                     "-std=c99", "-Wno-attributes", "-fsyntax-only")

    def test_round_trip_of_every_layout_over_random_pictures(self):
        generator = random.Random(27)
        for width, height in ((13, 10), (130, 37), (1, 1), (8, 8), (9, 17), (3, 130)):
            self.write("r.png", png_of([[(0, 0, 0) if generator.random() < 0.4 else (255, 255, 255)
                                         for _ in range(width)] for _ in range(height)]))
            preview = self.two_steps("r.png")
            self.prepared("r.png", "--for", ",".join(LAYOUTS), "--force")
            for layout in LAYOUTS:
                with self.subTest(size=(width, height), layout=layout):
                    # Its own file: the layout and size from its form.
                    self.prepared(layout_file(layout, "r"), "-o", "back.bmp", "--force")
                    self.assertEqual(pillow_black(self.path("back.bmp")), preview)
                    # The bare bytes, given the layout and the width.
                    data = file_bytes(self.read_header(layout_file(layout, "r")))
                    self.write("bare.txt", ", ".join(str(b) for b in data).encode())
                    self.prepared("bare.txt", "--layout", layout, "--width", str(width), "-o", "bare.bmp", "--force")
                    whole = height if layout in ("adafruit", "xbm") else (height + 7) // 8 * 8
                    self.assertEqual(pillow_black(self.path("bare.bmp")),
                                     preview + [[False] * width] * (whole - height))

    def test_tables_and_animations_list_each_layouts_arrays(self):
        self.write("wifi.png", png_of(shape(13, 10)))
        self.write("bell.png", png_of(pattern(9, 12)))
        self.write("walk.gif", gif(13, 10, [(0, 0, 0), (255, 255, 255)], [
            gif_frame(0, 0, [[(x + y + k) % 2 for x in range(13)] for y in range(10)], delay=5 + k) for k in range(3)]))
        self.prepared("--table", "icons", "wifi.png", "bell.png", "--for", "pages,adafruit,micropython")
        self.prepared("walk.gif", "--for", "pages,xbm,micropython", "-pgm")
        # For pages, the headers the two steps write.
        for name in ("wifi.png", "bell.png", "walk.gif"):
            self.write("chain/" + name, self.read(name))
        self.prepared("--table", "icons", "chain/wifi.png", "chain/bell.png")
        self.prepared("chain/walk.gif")
        for header in ("icons.h", "walk_frames.h"):
            self.assertEqual(self.read(header), self.read("chain/" + header))
        table = ('#include "icons_adafruit.h"\n#include "walk_frames_xbm.h"\n'
                 'unsigned sum(void) { unsigned s = 0, i;\n'
                 '  for (i = 0; i < ICONS_ADAFRUIT_COUNT; i++) s += icons_adafruit[i][0] + icons_adafruit_width[i];\n'
                 '  for (i = 0; i < WALK_FRAMES_XBM_COUNT; i++)\n'
                 '    s += pgm_read_byte(&walk_frames_xbm[i][WALK_FRAMES_XBM_BYTES - 1]) + walk_frames_xbm_delay_ms[i];\n'
                 '  return s; }\n')
        self.compile("gcc", "#define pgm_read_byte(p) (*(p))\n" + table, "-std=c99", "-Wno-attributes", "-c")
        self.assertIn('#include "wifi_adafruit.h"\n#include "bell_adafruit.h"\n', self.read_header("icons_adafruit.h"))
        self.assertIn("#define WALK_FRAMES_XBM_BYTES (((WALK_FRAMES_XBM_WIDTH + 7) / 8) * WALK_FRAMES_XBM_HEIGHT)",
                      self.read_header("walk_frames_xbm.h"))
        files = {name: self.read_header(name) for name in ("icons.py", "wifi.py", "bell.py", "walk_frames.py",
                                                           "walk_00.py", "walk_01.py", "walk_02.py")}
        out = self.micropython(files, FRAMEBUF_ROWS + "import icons, walk_frames\n"
                               "print([(p.WIDTH, p.HEIGHT) for p in icons.PICTURES])\n"
                               "print(walk_frames.DELAYS_MS, [rows(f, 13, 1) for f in walk_frames.FRAMES])\n")
        self.assertEqual(out, "[(13, 10), (9, 12)]\n(50, 60, 70) ['#.#.#.#.#.#.#', '.#.#.#.#.#.#.', "
                              "'#.#.#.#.#.#.#']\n")

    def test_names_refusals_and_exit_codes(self):
        self.write("my-logo.png", png_of(shape(13, 10)))
        self.prepared("my-logo.png", "--for", ",".join(LAYOUTS))
        self.assertEqual(self.files(), ["my-logo.png", "my_logo.py", "my_logo.xbm", "my_logo_adafruit.h",
                                        "my_logo_columns.h", "my_logo_glcd.bmp", "my_logo_glcd.h"])
        self.assertIn("#define MY_LOGO_ADAFRUIT_WIDTH  13\n", self.read_header("my_logo_adafruit.h"))
        self.assertIn("display.drawBitmap(0, 0, my_logo_adafruit, MY_LOGO_ADAFRUIT_WIDTH, MY_LOGO_ADAFRUIT_HEIGHT, "
                      "SSD1306_WHITE);", self.read_header("my_logo_adafruit.h"))
        before = {name: self.read(name) for name in self.files()}
        self.write("bare.h", b"const uint8_t logo[] = {\n  0x01, 0x02, 0x03,\n  0x04, 0x05\n};\n")
        cases = [
            (("my-logo.png", "--for", "xbm"), EXISTS, 'Error: "my_logo.xbm" exists; give --force to replace it'),
            (("my-logo.png", "--for", "glcd"), COMMAND_LINE, "Error: --for needs pages, columns, adafruit, xbm, "
                                                               'micropython or epd (one or more, separated by commas), '
                                                               'not "glcd"'),
            (("my-logo.png", "--for", "rows"), COMMAND_LINE, "Error: --for rows is not a layout of --panel bw, which "
                                                               "takes pages, columns, adafruit, xbm, micropython or epd"),
            (("my-logo.png", "-pgm"), COMMAND_LINE, "Error: -pgm is for the C arrays of --for"),
            (("my-logo.png", "--width", "13"), COMMAND_LINE, 'Error: source file "my-logo.png": --layout, --width and '
                                                             "--array read C text, and it is a PNG picture"),
            (("bare.h", "--layout", "pages", "--width", "3"), ARRAY_UNFIT,
             'Error: source file "bare.h": logo (line 1): 5 bytes do not fill whole pages of 3 columns: 2 are over, '
             "and 1 is missing for one more page"),
            (("bare.h", "--width", "5"), ARRAY_UNFIT, 'Error: source file "bare.h": logo (line 1) holds 5 bytes and '
                                                      "does not say its layout"),
            (("my_logo_glcd.bmp", "--layout", "pages"), COMMAND_LINE, 'Error: source file "my_logo_glcd.bmp": '),
            (("--table", "my_logo", "my-logo.png", "--for", "micropython"), COMMAND_LINE,
             "Error: --table my_logo would be overwritten by a file written for my-logo.png"),
            (("walk_frames.h",), 2, 'Error: source file "walk_frames.h" can not be opened'),
        ]
        for args, code, message in cases:
            with self.subTest(args=args):
                got, out, err = self.prepare(*args)
                self.assertEqual(got, code, err)
                self.assertTrue(err.startswith(message), err)
        self.write("frames.h", b"static const unsigned char *const walk[2] = {a, b};\n")
        code, out, err = self.prepare("frames.h")
        self.assertEqual((code, err), (NOT_A_PICTURE, 'Error: source file "frames.h": The text holds no array of bytes: '
                                                      "walk is declared as pointers or wider numbers. A frames or table "
                                                      "header holds no bytes itself: the headers it includes do.\n"))
        self.assertEqual({name: self.read(name) for name in before}, before)
        # Read back, the array is a picture like any other: -v says what was read.
        out = self.prepared("bare.h", "--layout", "adafruit", "--width", "8", "-v", "--for", "xbm")
        self.assertEqual(out, "read logo (line 1): 5 bytes, 8 x 5 pixels in the adafruit layout\n"
                              'wrote "bare.xbm"\n')


if __name__ == "__main__":
    unittest.main()
