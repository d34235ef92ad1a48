# SPDX-License-Identifier: MIT
"""The tables panelbake-prepare writes, an animation's frames header and --table's header, in
every C layout, drawn on an ATmega328P in Debian's simavr by the call their comment names
(for pages, memcpy into a display's buffer, or memcpy_P with -pgm), with and without -pgm.

The program is C++, as an Arduino sketch is, built by avr-g++ against stubs of the libraries'
calls that keep their overloads: Adafruit GFX's drawBitmap reads program memory for a pointer
to const bytes and RAM for a pointer to bytes, so the table's type decides which memory is
read. u8g2's drawXBM reads RAM and drawXBMP program memory; ThingPulse's drawFastImage reads
both alike on the chips it is made for, so columns are drawn from RAM, without -pgm. Every
picture drawn must be the pixels of its own file."""
import re
import shutil
import subprocess
import unittest

from chip_player import CHIP, CHIP_SENDING, run_on_chip, uart_lines
from glcd_support import EMULATED, PrepareTest
from picture_craft import gif, gif_frame
from test_layouts import file_black, layout_file, png_of, shape

PICTURES = ("wifi", "bell")
FRAMES = ("walk_00", "walk_01", "walk_02")

# The libraries' calls, painting the pixels they draw; a line "p" and a line of 0 and 1 for
# each row sends what was painted.
STUBS = CHIP_SENDING + r"""#include <avr/pgmspace.h>
#include <stdint.h>
#include <string.h>

#define SSD1306_WHITE 1

static uint8_t canvas[16][16];

static uint8_t fromRam(const uint8_t *p) { return *p; }
static uint8_t fromFlash(const uint8_t *p) { return pgm_read_byte(p); }

// Rows from the top in whole bytes, the leftmost pixel of a byte in bit 7 or in bit 0.
static void paintRows(const uint8_t *bitmap, int16_t w, int16_t h, bool leftInBit7, uint8_t (*read)(const uint8_t *))
{
    for (int16_t y = 0; y < h; y++)
        for (int16_t x = 0; x < w; x++)
            if (read(bitmap + y * ((w + 7) / 8) + x / 8) >> (leftInBit7 ? 7 - x % 8 : x % 8) & 1)
                canvas[y][x] = 1;
}

// Page columns, the top pixel in bit 0: page after page, or column after column.
static void paintPages(const uint8_t *bytes, int16_t w, int16_t h, bool byColumn)
{
    const int16_t pages = (h + 7) / 8;
    for (int16_t y = 0; y < h; y++)
        for (int16_t x = 0; x < w; x++)
            if (bytes[byColumn ? x * pages + y / 8 : y / 8 * w + x] >> y % 8 & 1)
                canvas[y][x] = 1;
}

struct Display {
    uint8_t buffer[64];
    uint8_t *getBuffer() { return buffer; }
    void show(int16_t w, int16_t h) { paintPages(buffer, w, h, false); }
    void drawBitmap(int16_t, int16_t, const uint8_t bitmap[], int16_t w, int16_t h, uint16_t)
    {
        paintRows(bitmap, w, h, true, fromFlash);
    }
    void drawBitmap(int16_t, int16_t, uint8_t *bitmap, int16_t w, int16_t h, uint16_t)
    {
        paintRows(bitmap, w, h, true, fromRam);
    }
    void drawFastImage(int16_t, int16_t, int16_t w, int16_t h, const uint8_t *image) { paintPages(image, w, h, true); }
};

struct U8g2 {
    void drawXBM(int16_t, int16_t, int16_t w, int16_t h, const uint8_t *bitmap) { paintRows(bitmap, w, h, false, fromRam); }
    void drawXBMP(int16_t, int16_t, int16_t w, int16_t h, const uint8_t *bitmap)
    {
        paintRows(bitmap, w, h, false, fromFlash);
    }
};

static Display display;
static U8g2 u8g2;

static void send(int16_t w, int16_t h)
{
    put('p');
    put('\n');
    for (int16_t y = 0; y < h; y++) {
        for (int16_t x = 0; x < w; x++) {
            put('0' + canvas[y][x]);
            canvas[y][x] = 0;
        }
        put('\n');
    }
}
"""


def drawn(lines):
    """The pictures a program sent, each as rows of 0 and 1."""
    pictures = []
    for line in lines:
        if line == "p":
            pictures.append([])
        elif pictures and re.fullmatch(r"[01]+", line):
            pictures[-1].append(line)
    return pictures


@unittest.skipIf(EMULATED, CHIP)
@unittest.skipUnless(shutil.which("avr-g++") and shutil.which("simavr"), "avr-g++ or simavr is not installed")
class ChipTables(PrepareTest):
    def draw_loop(self, stem, layout, pgm, frames):
        """The loop that draws every picture of the table `stem` (walk_frames_adafruit, icons)
        and sends it: its comment's call, or for pages the copy into the display's buffer."""
        header = self.read_header(stem + ".h")
        upper = stem.upper()
        width, height = ((upper + "_WIDTH", upper + "_HEIGHT") if frames else (stem + "_width[i]", stem + "_height[i]"))
        if layout == "pages":
            copy = "memcpy_P" if pgm else "memcpy"
            call = "%s(display.getBuffer(), %s[i], %s * ((%s + 7) / 8));\n        display.show(%s, %s);" % (
                copy, stem, width, height, width, height)
        else:
            calls = re.findall(r"^ \*\s+((?:display|u8g2)\.\w+\(.*\[i\].*\);)$", header, re.M)
            self.assertEqual(len(calls), 1, header)
            call = calls[0]
        return ("    for (unsigned int i = 0; i < %s_COUNT; i++) {\n        %s\n        send(%s, %s);\n    }\n"
                % (upper, call, width, height))

    def test_every_table_draws_its_pictures_with_and_without_pgm(self):
        self.write("wifi.png", png_of(shape(13, 10)))
        self.write("bell.png", png_of(shape(9, 12)))
        self.write("walk.gif", gif(13, 10, [(0, 0, 0), (255, 255, 255)], [
            gif_frame(0, 0, [[0 if x == 2 * k + 1 or y == 9 - k else 1 for x in range(13)] for y in range(10)])
            for k in range(3)]))
        for flags in ((), ("-pgm",)):
            # ThingPulse's drawFastImage has no form for AVR program memory.
            layouts = ("pages", "adafruit", "xbm") if flags else ("pages", "columns", "adafruit", "xbm")
            self.prepared("--table", "icons", "wifi.png", "bell.png", "--for", ",".join(layouts), "--force", *flags)
            self.prepared("walk.gif", "--for", ",".join(layouts), "--force", *flags)
            includes, loops, expected = "", "", []
            for layout in layouts:
                suffix = "" if layout == "pages" else "_" + layout
                for stem, bases in (("walk_frames" + suffix, FRAMES), ("icons" + suffix, PICTURES)):
                    includes += '#include "%s.h"\n' % stem
                    loops += self.draw_loop(stem, layout, bool(flags), bases is FRAMES)
                    for base in bases:
                        black = file_black(layout, self.read_header(layout_file(layout, base)))
                        expected.append((stem, base, ["".join("1" if on else "0" for on in row) for row in black]))
            self.write("tables.cpp", (STUBS + includes + "\nint main()\n{\n    uart_start();\n" + loops +
                                      "    stop();\n}\n").encode())
            # panelbake's own arrays without -pgm are char, which C++ takes from bytes over
            # 0x7f only when narrowing is let pass (Arduino's -fpermissive lets it).
            build = subprocess.run(["avr-g++", "-std=gnu++11", "-Os", "-mmcu=atmega328p", "-Wall", "-Wextra",
                                    "-Werror", "-Wno-narrowing", "-o", "tables.elf", "tables.cpp"],
                                   cwd=self.dir, capture_output=True, text=True)
            self.assertEqual(build.returncode, 0, build.stderr)
            pictures = drawn(uart_lines(run_on_chip(self.dir, "tables.elf")))
            self.assertEqual(len(pictures), len(expected))
            for picture, (stem, base, rows) in zip(pictures, expected):
                with self.subTest(flags=flags, table=stem, picture=base):
                    self.assertEqual(picture, rows)


if __name__ == "__main__":
    unittest.main()
