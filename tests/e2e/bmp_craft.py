# SPDX-License-Identifier: MIT
"""Builds BMP files byte by byte, well-formed or deliberately broken.

Every header field can be overridden, so a test states only what it breaks.
"""
import struct

FILE_HEADER = 14
INFO_HEADER = 40


def headers(*, width, height, bits, off_bits, bf_type=b"BM", bf_size=0, bi_size=INFO_HEADER,
            planes=1, compression=0, size_image=0, x_ppm=3780, y_ppm=3780, clr_used=0,
            clr_important=0):
    """The 14-byte file header and the 40-byte info header."""
    return (bf_type
            + struct.pack("<IHHI", bf_size & 0xFFFFFFFF, 0, 0, off_bits & 0xFFFFFFFF)
            + struct.pack("<IiiHHIIiiII", bi_size & 0xFFFFFFFF, width, height, planes, bits,
                          compression, size_image, x_ppm, y_ppm, clr_used, clr_important))


def row_bytes(width, bits):
    """Bytes of pixel data in one stored row, without padding."""
    return (width * bits + 7) // 8


def stride(width, bits):
    return (row_bytes(width, bits) + 3) // 4 * 4


def pattern_rows(width, height, bits):
    """Deterministic, varied pixel data: height rows of unpadded bytes, top row first."""
    n = row_bytes(width, bits)
    return [bytes((31 * y + 7 * x + 3) & 0xFF for x in range(n)) for y in range(height)]


def gray_table(entries):
    return b"".join(bytes((v, v, v, 0)) for v in
                    (i * 255 // max(entries - 1, 1) for i in range(entries)))


def bmp(width, height, bits, *, rows=None, table=None, masks=None, info_tail=b"", extra=b"",
        **fields):
    """A complete file: headers, info-header tail (V4/V5), colour table or 16-bit masks,
    extra bytes, then the rows bottom-up, each padded to 4 bytes.

    rows: top row first, unpadded; default pattern_rows. table: raw entry bytes; default a
    full grey table at 1, 4 and 8 bits. masks: (red, green, blue) written after the info
    header (BI_BITFIELDS is then the default compression). fields override header values.
    """
    if rows is None:
        rows = pattern_rows(width, height, bits) if width > 0 and height > 0 else []
    if table is None:
        table = gray_table(1 << bits) if bits in (1, 4, 8) else b""
    mask_bytes = struct.pack("<III", *masks) if masks is not None else b""
    if masks is not None:
        fields.setdefault("compression", 3)
    fields.setdefault("bi_size", INFO_HEADER + len(info_tail))
    before_pixels = FILE_HEADER + INFO_HEADER + len(info_tail) + len(mask_bytes) + len(table) + len(extra)
    fields.setdefault("off_bits", before_pixels)
    pad = stride(abs(width), bits) - row_bytes(abs(width), bits) if bits > 0 else 0
    data = b"".join(r + bytes(pad) for r in reversed(rows))
    fields.setdefault("bf_size", before_pixels + len(data))
    return (headers(width=width, height=height, bits=bits, **fields)
            + info_tail + mask_bytes + table + extra + data)
