#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The bench's four animations, made at run time: 128 x 64 black-and-white frames as page
columns (page p, column x at index p * 128 + x; bit 0 the top row of the page, 1 black).

    ball   a ball bouncing along the floor, 32 frames
    text   a line of large text scrolling to the left, 32 frames
    walker a line-art figure walking past a house and a tree, 24 frames
    pan    a photo dithered (Floyd-Steinberg, each frame on its own) panning slowly, 24 frames

Integer arithmetic only, so the frames are the same bytes everywhere. Run on its own, it
writes NAME.frames (the frames one after another) into the directory given.
"""

import math
import os
import sys

WIDTH = 128
HEIGHT = 64


class Canvas:
    """A 1-bit picture, one int per pixel (1 black)."""

    def __init__(self, width=WIDTH, height=HEIGHT):
        self.width = width
        self.height = height
        self.pixels = [[0] * width for _ in range(height)]

    def set(self, x, y, value=1):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = value

    def line(self, x0, y0, x1, y1):
        """Bresenham's line, both ends included."""
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, value=1):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r + r:
                    self.set(x, y, value)

    def circle(self, cx, cy, r):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if r * r - r <= d <= r * r + r:
                    self.set(x, y)

    def page_columns(self):
        out = bytearray()
        for page in range((self.height + 7) // 8):
            for x in range(self.width):
                byte = 0
                for bit in range(8):
                    y = 8 * page + bit
                    if y < self.height and self.pixels[y][x]:
                        byte |= 1 << bit
                out.append(byte)
        return bytes(out)


def ball(count=32):
    frames = []
    x, vx = 12, 3
    y, vy = 10, 0   # y and speed in eighths of a pixel
    y *= 8
    for _ in range(count):
        c = Canvas()
        c.line(0, 63, 127, 63)
        c.disc(x, y // 8, 9)
        c.disc(x - 3, y // 8 - 3, 2, 0)   # the highlight
        frames.append(c.page_columns())
        x += vx
        if x > 118 or x < 9:
            vx = -vx
            x += 2 * vx
        vy += 12
        y += vy
        if y // 8 > 53:
            y = 53 * 8
            vy = -vy * 7 // 8
    return frames


# Capitals, digits and a few signs, 5 x 7: each row's bits, the leftmost pixel in bit 4.
FONT = {
    " ": [0, 0, 0, 0, 0, 0, 0], "!": [4, 4, 4, 4, 4, 0, 4], ",": [0, 0, 0, 0, 6, 2, 4],
    "-": [0, 0, 0, 31, 0, 0, 0], ".": [0, 0, 0, 0, 0, 12, 12], "1": [4, 12, 4, 4, 4, 4, 14],
    "2": [14, 17, 1, 2, 4, 8, 31], "8": [14, 17, 17, 14, 17, 17, 14], "6": [6, 8, 16, 30, 17, 17, 14],
    "4": [2, 6, 10, 18, 31, 2, 2], "X": [17, 17, 10, 4, 10, 17, 17],
    "A": [14, 17, 17, 31, 17, 17, 17], "B": [30, 17, 17, 30, 17, 17, 30], "C": [14, 17, 16, 16, 16, 17, 14],
    "D": [30, 17, 17, 17, 17, 17, 30], "E": [31, 16, 16, 30, 16, 16, 31], "F": [31, 16, 16, 30, 16, 16, 16],
    "G": [14, 17, 16, 23, 17, 17, 15], "H": [17, 17, 17, 31, 17, 17, 17], "I": [14, 4, 4, 4, 4, 4, 14],
    "K": [17, 18, 20, 24, 20, 18, 17], "L": [16, 16, 16, 16, 16, 16, 31], "M": [17, 27, 21, 21, 17, 17, 17],
    "N": [17, 17, 25, 21, 19, 17, 17], "O": [14, 17, 17, 17, 17, 17, 14], "P": [30, 17, 17, 30, 16, 16, 16],
    "R": [30, 17, 17, 30, 20, 18, 17], "S": [15, 16, 16, 14, 1, 1, 30], "T": [31, 4, 4, 4, 4, 4, 4],
    "U": [17, 17, 17, 17, 17, 17, 14], "W": [17, 17, 17, 21, 21, 21, 10], "Y": [17, 17, 10, 4, 4, 4, 4],
}


def text(count=32, message="HELLO, WORLD! PANELBAKE PLAYS 128X64 FRAMES FROM FLASH."):
    """The message in 10 x 14 letters (the font doubled) on a line that scrolls 4 pixels a
    frame, under a fixed title bar."""
    frames = []
    for i in range(count):
        c = Canvas()
        for x in range(WIDTH):
            c.set(x, 0)
            c.set(x, 11)
        for k, ch in enumerate("NEWS"):
            draw_letter(c, ch, 2 + 6 * k, 2, 1)
        left = 4 - 4 * i
        for k, ch in enumerate(message):
            draw_letter(c, ch, left + 12 * k, 27, 2)
        frames.append(c.page_columns())
    return frames


def draw_letter(c, ch, left, top, scale):
    for row, bits in enumerate(FONT[ch]):
        for col in range(5):
            if bits & (16 >> col):
                for dy in range(scale):
                    for dx in range(scale):
                        c.set(left + scale * col + dx, top + scale * row + dy)


# Sines of 0, 15, ... 90 degrees, times 256: the limbs swing through this table.
SINE = [0, 66, 128, 181, 222, 247, 256]


def swing(step, period, amplitude):
    """A swing of the given amplitude (in 1/256) over `period` steps, as -1..1 times 256."""
    phase = step % period * 24 // period   # 24 steps of 15 degrees
    quarter, k = divmod(phase, 6)
    s = [SINE[k], SINE[6 - k], -SINE[k], -SINE[6 - k]][quarter]
    return s * amplitude // 256


def limb(c, x, y, angle256, length):
    """A line from (x, y) hanging down, swung sideways by angle256 (sine times 256)."""
    dx = angle256 * length // 256
    c.line(x, y, x + dx, y + math.isqrt(length * length - dx * dx))


def walker(count=24):
    frames = []
    for i in range(count):
        c = Canvas()
        c.line(0, 60, 127, 60)
        # a house and a tree
        c.line(86, 59, 86, 40), c.line(112, 59, 112, 40), c.line(86, 40, 112, 40)
        c.line(84, 41, 99, 28), c.line(99, 28, 114, 41), c.line(96, 59, 96, 49)
        c.line(102, 59, 102, 49), c.line(96, 49, 102, 49)
        c.line(20, 59, 20, 44), c.circle(20, 36, 9)
        x = 8 + 4 * i
        bob = 1 if i % 6 in (1, 2, 4, 5) else 0
        hip = 45 - bob
        c.circle(x, hip - 22, 4)
        c.line(x, hip - 18, x, hip)
        arm = swing(i, 12, 140)
        limb(c, x, hip - 15, arm, 11)
        limb(c, x, hip - 15, -arm, 11)
        leg = swing(i, 12, 150)
        limb(c, x, hip, leg, 14)
        limb(c, x, hip, -leg, 14)
        frames.append(c.page_columns())
    return frames


def photo(width, height):
    """A grey landscape, 0 (black) to 255 (white): a sky lighter towards a round sun, hills
    that darken towards the front, and a lake that mirrors the sky in bands."""
    grey = []
    for y in range(height):
        row = []
        for x in range(width):
            d = (x - 70) ** 2 + (y - 22) ** 2
            v = 255 if d < 120 else 230 - y * 2 - math.isqrt(d) // 2
            hill = 30 + (x - 100) ** 2 // 400
            if y > hill:
                v = 120 - (y - hill) * 3 - (x * 37 % 11) * 4
            if y > 66:
                v = 200 - (y - 66) * 5 + (24 if (y + x // 16) % 5 < 2 else 0)
            row.append(max(0, min(255, v)))
        grey.append(row)
    return grey


def floyd_steinberg(grey, left, top):
    """The 128 x 64 view at (left, top), dithered with Floyd-Steinberg, threshold 128."""
    errors = [[grey[top + y][left + x] * 16 for x in range(WIDTH)] for y in range(HEIGHT)]
    c = Canvas()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            old = errors[y][x]
            new = 0 if old >= 128 * 16 else 1
            c.pixels[y][x] = new
            err = old - (0 if new else 255 * 16)
            for dx, dy, w in ((1, 0, 7), (-1, 1, 3), (0, 1, 5), (1, 1, 1)):
                if 0 <= x + dx < WIDTH and y + dy < HEIGHT:
                    errors[y + dy][x + dx] += err * w // 16
    return c.page_columns()


def pan(count=24):
    grey = photo(WIDTH + count, HEIGHT + count // 2)
    return [floyd_steinberg(grey, i, i // 2) for i in range(count)]


ANIMATIONS = {"ball": ball, "text": text, "walker": walker, "pan": pan}


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else "."
    for name, make in ANIMATIONS.items():
        with open(os.path.join(directory, name + ".frames"), "wb") as f:
            f.write(b"".join(make()))


if __name__ == "__main__":
    main()
