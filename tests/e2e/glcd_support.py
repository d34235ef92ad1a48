# SPDX-License-Identifier: MIT
"""Helpers for the end-to-end tests: running the built converter, making source
pictures, and the expected preview and page-column bytes.

Pictures are lists of rows, top row first; a pixel is an (r, g, b) tuple. A reduced
picture is a list of rows of booleans, True for black.
"""
import math
import os
import re
import shlex
import shutil
import struct
import subprocess
import tempfile
import unittest

from PIL import Image

from bmp_craft import bmp

PANELBAKE = os.environ.get("PANELBAKE", "")
PREPARE = os.environ.get("PANELBAKE_PREPARE", "")
SOURCE_DIR = os.environ.get("PANELBAKE_SOURCE_DIR", "")

# The platform switch. A cross-built converter runs through its emulator (Wine for the
# Windows build, qemu-user for ARM). The Windows build ends text lines with CR LF, on the
# console and in the header, separates directories with '\' as well, and sees this
# machine's root as drive Z:.
EMULATOR = shlex.split(os.environ.get("PANELBAKE_EMULATOR", ""))
WINDOWS = os.environ.get("PANELBAKE_PLATFORM") == "Windows"
EMULATED = bool(EMULATOR)
POSIX_ONLY = "needs POSIX (resource limits, file modes, other users, /dev/full)"
# Node reads a pipe only as a stream: the WebAssembly programs' synchronous reads of one
# fail ("can not be read"), while a file given as standard input is read.
NODE = os.environ.get("PANELBAKE_PLATFORM") == "Emscripten"
LINE_END = b"\r\n" if WINDOWS else b"\n"


def converter_command(*args, program=None):
    return [*EMULATOR, program or PANELBAKE, *args]


def host_path(path):
    """An absolute path as the converter names it: Z:\\tmp\\x.bmp under Wine."""
    return "Z:" + path.replace("/", "\\") if WINDOWS else path


def text_of(data):
    """Bytes of console or header text, with the platform's line ends checked and made
    '\\n'."""
    text = data.decode("utf-8", "surrogateescape")
    if WINDOWS:
        bare = text.replace("\r\n", "").count("\n")
        if bare:
            raise AssertionError("%d line ends without CR in %r" % (bare, text[:200]))
        text = text.replace("\r\n", "\n")
    return text


class Run:
    def __init__(self, proc):
        self.code = proc.returncode
        self.out = text_of(proc.stdout)
        self.err = text_of(proc.stderr)


class TempDirTest(unittest.TestCase):
    """Each test runs the converter inside a fresh temporary directory."""

    def setUp(self):
        if not PANELBAKE:
            self.skipTest("PANELBAKE is not set")
        self.dir = tempfile.mkdtemp(prefix="panelbake-e2e-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def run_tool(self, *args):
        proc = subprocess.run(converter_command(*args), cwd=self.dir, capture_output=True, timeout=300)
        return Run(proc)

    def write(self, name, data):
        full = self.path(name)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)
        return full

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def read_header(self, name):
        return text_of(self.read(name))

    def files(self):
        found = []
        for root, _, names in os.walk(self.dir):
            found += [os.path.relpath(os.path.join(root, n), self.dir) for n in names]
        return sorted(found)

    def compiled_output(self, compiler, source, flags, name):
        """Compiles the C program `source` (as name.c) with warnings as errors, and for
        gcc, which builds `name`, runs it and returns its output; for a cross compiler, ""."""
        self.write(name + ".c", source.encode())
        result = subprocess.run([compiler, "-std=c99", "-Wall", "-Werror", *flags, name + ".c"], cwd=self.dir,
                                capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        if compiler != "gcc":
            return ""
        return subprocess.run([self.path(name)], capture_output=True, text=True, check=True).stdout

    def assert_outputs(self, base, black, declaration="static char "):
        """The preview is exactly the 1-bit file of `black`, and the header holds the
        same pixels as page-column bytes under identifiers made from `base`."""
        preview = self.read(base + ".bmp")
        self.assertEqual(preview, preview_bytes(black))
        self.assertEqual(pillow_black(self.path(base + ".bmp")), black)
        text = self.read_header(base + ".h")
        stem = identifier_stem(base)
        upper = stem.upper()
        self.assertIn("#ifndef _%s_H \n#define _%s_H \n" % (upper, upper), text)
        self.assertIn("#define %s_HEIGHT %d \n#define %s_WIDTH  %d \n"
                      % (upper, len(black), upper, len(black[0])), text)
        self.assertIn("\n%s%s_bmp[]={\n" % (declaration, stem.lower()), text)
        self.assertTrue(text.endswith("};\n#endif  //define _%s_H \n" % upper), text[-80:])
        self.assertEqual(header_array(text), page_columns(black))


class PrepareTest(TempDirTest):
    """A TempDirTest of panelbake-prepare, which prepare() runs in the test's folder."""

    def setUp(self):
        super().setUp()
        if not PREPARE:
            self.skipTest("PANELBAKE_PREPARE is not set")

    def prepare(self, *args, preexec_fn=None, input=None):
        """The exit status, standard output and standard error of a run."""
        proc = subprocess.run([*EMULATOR, PREPARE, *args], cwd=self.dir, capture_output=True, timeout=300,
                              preexec_fn=preexec_fn, input=input)
        return proc.returncode, text_of(proc.stdout), text_of(proc.stderr)

    def prepared(self, *args):
        """The standard output of a run that must succeed without a word on standard error."""
        code, out, err = self.prepare(*args)
        self.assertEqual((code, err), (0, ""), args)
        return out

    def compile(self, compiler, source, *flags):
        """Compiles the C program `source` (as use.c) in the test's folder, which it includes
        from, with every warning an error."""
        self.write("use.c", source.encode())
        run = subprocess.run([compiler, *flags, "-Wall", "-Wextra", "-Werror", "-I", self.dir, "use.c"], cwd=self.dir,
                             capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)


def identifier_stem(base):
    """Every byte of the UTF-8 name that is not an ASCII letter, digit or '_' becomes '_'."""
    name = re.sub(rb"[^A-Za-z0-9_]", b"_", os.path.basename(base).encode("utf-8", "surrogateescape")).decode()
    return "_" + name if name[:1].isdigit() else name


def pattern(width, height):
    """A picture with edges, gradients and colours near the black/white boundary."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            if (x // 7 + y // 5) % 3 == 0:
                row.append((0, 0, 0) if (x + y) % 4 else (255, 255, 255))
            elif x % 11 == 3:
                row.append((128, 128, 127) if y % 2 else (128, 127, 127))
            else:
                row.append(((x * 37 + y * 11) % 256, (x * 5 + y * 29) % 256, (x * x + y * 3) % 256))
        rows.append(row)
    return rows


def bmp24(pixels, extra=b""):
    """A 24-bit BMP; `extra` bytes stand between the headers and the pixel data."""
    rows = [bytes(c for r, g, b in row for c in (b, g, r)) for row in pixels]
    return bmp(len(pixels[0]), len(pixels), 24, rows=rows, extra=extra)


def reduce(pixels):
    """The converter's black-and-white decision."""
    return [[r + g + b < 383 for r, g, b in row] for row in pixels]


def rescale(pixels, mode, value):
    """Bilinear scaling with the corners aligned, as the converter's library does it: a
    fixed order of double operations, each channel truncated toward zero."""
    h, w = len(pixels), len(pixels[0])
    if mode == "h":
        nh, nw = value, math.floor(value / h * w)
    else:
        nw, nh = value, math.floor(value / w * h)
    nw, nh = max(nw, 1), max(nh, 1)

    def s(x, y):
        return pixels[min(max(y, 0), h - 1)][min(max(x, 0), w - 1)]

    def blend(terms):
        out = []
        for c in range(3):
            total = terms[0][0][c] * terms[0][1]
            for pixel, weight in terms[1:]:
                total = pixel[c] * weight + total
            out.append(int(total))
        return tuple(out)

    def position(j, size, new_size):
        p = j * (size - 1) / (new_size - 1)
        return math.floor(p), p - math.floor(p)

    out = [[(255, 255, 255)] * nw for _ in range(nh)]
    for i in range(nh - 1):
        y0, fy = position(i, h, nh)
        for j in range(nw - 1):
            x0, fx = position(j, w, nw)
            w11 = fx * fy
            w10 = fx - w11
            w00 = ((1 - fx) - fy) + w11
            w01 = fy - w11
            out[i][j] = blend([(s(x0 + 1, y0), w10), (s(x0, y0), w00), (s(x0, y0 + 1), w01),
                               (s(x0 + 1, y0 + 1), w11)])
        out[i][nw - 1] = blend([(s(w - 1, y0), 1 - fy), (s(w - 1, y0 + 1), fy)])
    for j in range(nw - 1):
        x0, fx = position(j, w, nw)
        out[nh - 1][j] = blend([(s(x0, h - 1), 1 - fx), (s(x0 + 1, h - 1), fx)])
    out[nh - 1][nw - 1] = s(w - 1, h - 1)
    return out


def fit(pixels, width, height):
    """The top-left width x height block; where the picture is smaller, white."""
    white = (255, 255, 255)
    return [[pixels[y][x] if y < len(pixels) and x < len(pixels[0]) else white
             for x in range(width)] for y in range(height)]


def preview_bytes(black):
    """The 1-bit preview file: palette (black, white), rows bottom first, 3780 dpm."""
    height, width = len(black), len(black[0])
    row_bytes = ((width + 7) // 8 + 3) // 4 * 4
    data = bytearray()
    for row in reversed(black):
        line = bytearray(row_bytes)
        for x, is_black in enumerate(row):
            if not is_black:
                line[x // 8] |= 0x80 >> (x % 8)
        data += line
    header = struct.pack("<2sIHHI", b"BM", 62 + len(data), 0, 0, 62)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 1, 0, len(data), 3780, 3780, 0, 0)
    return header + info + bytes((0, 0, 0, 0, 255, 255, 255, 0)) + bytes(data)


def pillow_black(path):
    with Image.open(path) as image:
        grey = image.convert("L")
        width, height = grey.size
        values = list(grey.getdata())
    return [[values[y * width + x] == 0 for x in range(width)] for y in range(height)]


def page_columns(black):
    """Page by page, column by column; bit b is row 8p + b, 1 for black."""
    height, width = len(black), len(black[0])
    out = []
    for top in range(0, height, 8):
        for x in range(width):
            out.append(sum(1 << b for b in range(min(8, height - top)) if black[top + b][x]))
    return out


def header_array(text):
    body = text[text.index("={\n") + 3:text.rindex("};\n")]
    return [int(v, 16) for v in re.findall(r"0x([0-9a-f]{2})", body)]
