"""Checks a capture of the Win32 EDIT target: an 8-bit RGB PNG of 320 x 240 whose centre, where
the caret was before the barcode was typed, lies in the EDIT (its magenta background) with the
typed text just right of it. Decodes the PNG itself, so it needs nothing but Python."""
import struct
import sys
import zlib

MAGENTA = (255, 0, 255)


def decode(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour = header[:4]
    assert (depth, colour) == (8, 2), f"not 8-bit RGB: depth {depth}, colour type {colour}"
    raw, stride, rows, prev = zlib.decompress(idat), width * 3, [], bytearray(width * 3)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b, c = prev[i], prev[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        rows.append(line)
        prev = line
    return width, height, lambda x, y: tuple(rows[y][x * 3:x * 3 + 3])


width, height, pixel = decode(sys.argv[1])
assert (width, height) == (320, 240), f"size {width} x {height}"
# Left of the caret: the EDIT's background; right of it, within the text's height: dark glyphs.
assert pixel(155, 120) == MAGENTA or pixel(150, 110) == MAGENTA, "no EDIT left of the centre"
dark = [x for x in range(160, 230) for y in range(112, 130) if sum(pixel(x, y)) < 200]
assert dark, "no text right of the caret"
