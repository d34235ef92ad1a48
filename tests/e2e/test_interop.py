# SPDX-License-Identifier: MIT
"""The bitmap library's reader and writer against two independent BMP implementations,
Pillow and ImageMagick: files they write (their default long info headers included)
decode to the pixels they decode, and files we write decode in them to our pixels."""

import os
import random
import struct
import subprocess
import tempfile
import unittest

from PIL import Image

from glcd_support import converter_command

BMPTOOL = os.environ.get("BMPTOOL", "")
CONVERT = "/usr/bin/convert"
WIDTH, HEIGHT = 33, 7  # an odd width: every row needs padding


def header(path):
    with open(path, "rb") as f:
        data = f.read(54)
    off_bits, = struct.unpack_from("<I", data, 10)
    bi_size, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    return {"offBits": off_bits, "biSize": bi_size, "size": (width, height), "bits": bits,
            "compression": compression}


def ours(path):
    """(depth, [(r, g, b, a)] top row first) as our reader decodes the file, or None."""
    run = subprocess.run(converter_command("load-dump", path, program=BMPTOOL), capture_output=True, text=True)
    if run.returncode != 0:
        return None
    lines = run.stdout.split("\n")
    width, height, depth = map(int, lines[0].split())
    pixels = [tuple(bytes.fromhex(p)) for line in lines[1:1 + height] for p in line.split()]
    assert (width, height) == (WIDTH, HEIGHT) and len(pixels) == width * height
    return depth, pixels


def pillow(path):
    with Image.open(path) as im:
        return [p[:3] for p in im.convert("RGB").getdata()]


def magick(path):
    raw = subprocess.run([CONVERT, path, "-depth", "8", "rgba:-"], capture_output=True, check=True).stdout
    return [tuple(raw[i:i + 4]) for i in range(0, len(raw), 4)]


def rgb(pixels):
    return [p[:3] for p in pixels]


def picture(mode):
    """A deterministic picture: smooth ramps with noise, and varying alpha in RGBA."""
    rnd = random.Random(5)
    im = Image.new("RGBA", (WIDTH, HEIGHT))
    im.putdata([((x * 8 + rnd.randrange(16)) % 256, (y * 36 + rnd.randrange(16)) % 256,
                 rnd.randrange(256), rnd.randrange(256)) for y in range(HEIGHT) for x in range(WIDTH)])
    return im if mode == "RGBA" else im.convert(mode)


@unittest.skipUnless(BMPTOOL, "BMPTOOL is not set")
class Interop(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)
        self.source = self.path("source.png")
        picture("RGBA").save(self.source)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def magick_bmp(self, name, *options):
        out = self.path(name)
        subprocess.run([CONVERT, self.source, *options, out], check=True)
        return out

    def test_peer_files_decode_to_the_peers_pixels(self):
        cases = []
        for name, im, depth in [("pil1", picture("1"), 1), ("pil8grey", picture("L"), 8),
                                ("pil8", picture("RGB").quantize(200), 8), ("pil24", picture("RGB"), 24)]:
            im.save(self.path(name + ".bmp"))
            cases.append((self.path(name + ".bmp"), depth, 40))
        for intent, size in [([], 124), (["-intent", "undefined"], 108)]:
            for depth, options in [(1, ["-colors", "2", "-type", "palette"]),
                                   (4, ["-colors", "16", "-type", "palette", "-compress", "none"]),
                                   (8, ["-colors", "200", "-type", "palette", "-compress", "none"]),
                                   (24, ["-type", "truecolor"])]:
                cases.append((self.magick_bmp(f"im{depth}-{size}.bmp", *intent, *options), depth, size))
        cases.append((self.magick_bmp("im24-40.bmp", "-define", "bmp:format=bmp3", "-type", "truecolor"), 24, 40))
        for path, depth, size in cases:
            with self.subTest(os.path.basename(path)):
                h = header(path)
                self.assertEqual((h["bits"], h["biSize"], h["compression"]), (depth, size, 0))
                decoded = ours(path)
                self.assertIsNotNone(decoded)
                self.assertEqual(decoded[0], depth)
                self.assertEqual(rgb(decoded[1]), pillow(path))
                self.assertEqual(rgb(decoded[1]), rgb(magick(path)))

    def test_pillow_rgba_file_keeps_alpha(self):
        im = picture("RGBA")
        path = self.path("pil32.bmp")
        im.save(path)
        self.assertEqual((header(path)["bits"], header(path)["compression"]), (32, 0))
        depth, pixels = ours(path)
        self.assertEqual(depth, 32)
        self.assertEqual(pixels, list(im.getdata()))

    def test_bit_field_32_bit_files_are_refused(self):
        path = self.magick_bmp("im32.bmp", "-alpha", "on", "-type", "truecoloralpha")
        self.assertEqual((header(path)["bits"], header(path)["compression"]), (32, 3))
        self.assertIsNone(ours(path))

    def test_our_files_decode_in_the_peers_to_our_pixels(self):
        source = self.path("source32.bmp")
        picture("RGBA").save(source)
        original = list(picture("RGBA").getdata())
        for depth in (1, 4, 8, 16, 24, 32):
            with self.subTest(depth=depth):
                path = self.path(f"ours{depth}.bmp")
                subprocess.run(converter_command("convert", source, path, str(depth), program=BMPTOOL), check=True)
                self.assertEqual(header(path)["bits"], depth)
                _, pixels = ours(path)
                by_pillow, by_magick = pillow(path), magick(path)
                if depth == 16:  # five bits red and blue, six green; we read green as five
                    self.assertEqual(rgb(pixels), [(r & 0xF8, g & 0xF8, b & 0xF8) for r, g, b, _ in original])
                    for peer in (by_pillow, rgb(by_magick)):
                        self.assertEqual([(r >> 3, g >> 2, b >> 3) for r, g, b in peer],
                                         [(r >> 3, g >> 2, b >> 3) for r, g, b, _ in original])
                    continue
                if depth == 1:
                    self.assertEqual(rgb(pixels), [(255,) * 3 if r + g + b >= 383 else (0,) * 3
                                                   for r, g, b, _ in original])
                if depth >= 24:
                    self.assertEqual(rgb(pixels), rgb(original))
                if depth == 32:
                    self.assertEqual(pixels, original)
                    self.assertEqual(by_magick, original)
                self.assertEqual(by_pillow, rgb(pixels))
                self.assertEqual(rgb(by_magick), rgb(pixels))


if __name__ == "__main__":
    unittest.main()
