# SPDX-License-Identifier: MIT
"""Builds PNG and GIF files byte by byte, so that a test controls what Pillow cannot
write: every PNG bit depth and colour type, tRNS, Adam7 interlacing; GIF frames with
their own rectangles, disposal methods, delays and transparent index.

Samples are given as rows of tuples (one value per channel), top row first.
"""
import struct
import zlib

# PNG colour types: channels per pixel.
GREY, RGB, PALETTE, GREY_ALPHA, RGBA = 0, 2, 3, 4, 6
CHANNELS = {GREY: 1, RGB: 3, PALETTE: 1, GREY_ALPHA: 2, RGBA: 4}

# Adam7: (first column, first row, column step, row step) of each pass.
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def _row_bytes(row, depth):
    """One row of samples packed at `depth` bits, big-endian, the last byte padded."""
    if depth == 16:
        return b"".join(struct.pack(">H", v) for pixel in row for v in pixel)
    if depth == 8:
        return bytes(v for pixel in row for v in pixel)
    bits = 0
    count = 0
    out = bytearray()
    for pixel in row:
        for v in pixel:
            bits = bits << depth | v
            count += depth
            if count == 8:
                out.append(bits)
                bits = count = 0
    if count:
        out.append(bits << (8 - count))
    return bytes(out)


def png(rows, depth, colour_type, *, palette=None, trns=None, interlaced=False, width=None, height=None,
        empty_idat_first=False):
    """A PNG of `rows`; `palette` is a list of (r, g, b), `trns` the raw tRNS bytes.
    width/height override the size the header states; empty_idat_first puts an image data
    chunk of no bytes before the one with the data."""
    h = len(rows)
    w = len(rows[0])
    raw = bytearray()
    if interlaced:
        for x0, y0, dx, dy in ADAM7:
            sub = [row[x0::dx] for row in rows[y0::dy]]
            if sub and sub[0]:
                for row in sub:
                    raw += b"\0" + _row_bytes(row, depth)
    else:
        for row in rows:
            raw += b"\0" + _row_bytes(row, depth)
    ihdr = struct.pack(">IIBBBBB", width or w, height or h, depth, colour_type, 0, 0, 1 if interlaced else 0)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
    if palette is not None:
        out += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns is not None:
        out += chunk(b"tRNS", trns)
    if empty_idat_first:
        out += chunk(b"IDAT", b"")
    return out + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b"")


def _lzw(indices, code_size):
    """GIF LZW data that never grows its table: a clear code before every few codes, so
    that every code has code_size + 1 bits."""
    clear = 1 << code_size
    width = code_size + 1
    codes = []
    for i, index in enumerate(indices):
        if i % (clear - 2) == 0:
            codes.append(clear)
        codes.append(index)
    codes.append(clear + 1)
    bits = 0
    count = 0
    out = bytearray()
    for code in codes:
        bits |= code << count
        count += width
        while count >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            count -= 8
    if count:
        out.append(bits & 0xFF)
    blocks = bytearray([code_size])
    for start in range(0, len(out), 255):
        piece = out[start:start + 255]
        blocks += bytes([len(piece)]) + piece
    return bytes(blocks + b"\0")


def _table(colours, entries):
    return b"".join(bytes(c) for c in colours) + bytes(3 * (entries - len(colours)))


def gif_frame(left, top, rows, *, disposal=0, delay=0, transparent=None, palette=None, interlaced=False):
    """One frame: a graphic control extension and the image. `rows` hold colour indices;
    `palette` (a local colour table) is a list of (r, g, b)."""
    flags = disposal << 2 | (1 if transparent is not None else 0)
    out = b"\x21\xf9\x04" + struct.pack("<BHB", flags, delay, transparent or 0) + b"\0"
    h = len(rows)
    w = len(rows[0]) if rows else 0
    image_flags = 0x40 if interlaced else 0
    table = b""
    if palette is not None:
        image_flags |= 0x80 | 7
        table = _table(palette, 256)
    out += b"\x2c" + struct.pack("<HHHHB", left, top, w, h, image_flags) + table
    if interlaced:
        order = list(range(0, h, 8)) + list(range(4, h, 8)) + list(range(2, h, 4)) + list(range(1, h, 2))
        rows = [rows[y] for y in order]
    return out + _lzw([i for row in rows for i in row], 8)


def gif(width, height, palette, frames, *, trailer=True):
    """A GIF89a of `frames` (from gif_frame) on a screen with the global `palette`."""
    out = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x80 | 7, 0, 0) + _table(palette, 256)
    out += b"".join(frames)
    return out + (b"\x3b" if trailer else b"")
