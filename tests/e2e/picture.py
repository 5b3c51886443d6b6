"""Reads pictures that other programs write, with the standard library only:
8-bit PNG files (as rsvg-convert writes them) decoded to RGB rows."""

import struct
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
CHANNELS = {0: 1, 2: 3, 4: 2, 6: 4}  # grey, RGB, grey + alpha, RGBA


class Picture:
    """width x height pixels as RGB bytes, three per pixel, row by row."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i:i + 3])

    def count(self, left, top, right, bottom, test):
        """How many pixels of columns left..right-1, rows top..bottom-1 pass
        test((r, g, b))."""
        return sum(1 for y in range(top, bottom) for x in range(left, right)
                   if test(self.pixel(x, y)))


def png_size(data):
    if data[:8] != SIGNATURE:
        raise AssertionError("not a PNG picture")
    return struct.unpack(">II", data[16:24])


def read_png(data):
    """Decodes an 8-bit, non-interlaced PNG; transparent parts lie on white."""
    width, height = png_size(data)
    depth, colour, _, _, interlace = struct.unpack(">BBBBB", data[24:29])
    if depth != 8 or colour not in CHANNELS or interlace:
        raise AssertionError(f"PNG kind not read here: depth {depth}, colour type {colour}")
    channels = CHANNELS[colour]
    compressed, offset = b"", 8
    while offset < len(data):
        length, kind = struct.unpack(">I4s", data[offset:offset + 8])
        if kind == b"IDAT":
            compressed += data[offset + 8:offset + 8 + length]
        offset += 12 + length
    raw = zlib.decompress(compressed)
    stride = width * channels
    rgb = bytearray()
    previous = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        row = _unfilter(raw[start], bytearray(raw[start + 1:start + 1 + stride]), previous,
                        channels)
        rgb += _to_rgb(row, channels)
        previous = row
    return Picture(width, height, bytes(rgb))


def _unfilter(kind, row, previous, step):
    for i in range(len(row)):
        left = row[i - step] if i >= step else 0
        up = previous[i]
        if kind == 1:
            row[i] = (row[i] + left) & 0xFF
        elif kind == 2:
            row[i] = (row[i] + up) & 0xFF
        elif kind == 3:
            row[i] = (row[i] + (left + up) // 2) & 0xFF
        elif kind == 4:
            corner = previous[i - step] if i >= step else 0
            row[i] = (row[i] + _paeth(left, up, corner)) & 0xFF
    return row


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _to_rgb(row, channels):
    if channels == 3:
        return row
    out = bytearray()
    for i in range(0, len(row), channels):
        values = row[i:i + channels]
        colour = values[:3] if channels >= 3 else values[:1] * 3
        alpha = values[-1] if channels in (2, 4) else 255
        out += bytes((c * alpha + 255 * (255 - alpha)) // 255 for c in colour)
    return out
