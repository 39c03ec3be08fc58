#!/usr/bin/env python3
"""Generates Quillane's artwork (our own): icon, hand cursor, banner logo,
title picture, Help picture and the About window's vendor picture.

Shapes are drawn in pure Python with 4x4 supersampling and written as .ico
(BMP images, PNG for 256 px), a monochrome .cur and 24-bit .bmp files. The
pictures with lettering (title, Help, vendor) are finished with ImageMagick's
`convert` (Debian package imagemagick) and the DejaVu fonts (fonts-dejavu-core).
The outputs are kept in the repository, so building needs none of this.
Run from anywhere: python3 resources/art/make_art.py
"""
import math
import os
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def quill(x, y):
    """The feather's vane, along the shaft from its middle to its tip."""
    t, v = shaft_frame(x, y)
    if 0.30 <= t <= 1.02:
        s = (t - 0.30) / 0.72
        half_width = 0.13 * math.sin(math.pi * s) ** 0.7
        return -half_width * 0.8 <= v <= half_width
    return False


SHAFT_FROM = (0.26, 0.90)
SHAFT_TO = (0.88, 0.12)


def shaft_frame(x, y):
    """Position along the shaft (0 at the nib, 1 at the top) and signed distance from it."""
    (x0, y0), (x1, y1) = SHAFT_FROM, SHAFT_TO
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy)
    t = ((x - x0) * dx + (y - y0) * dy) / (length * length)
    v = ((x - x0) * dy - (y - y0) * dx) / length
    return t, v


def shaft(x, y):
    t, v = shaft_frame(x, y)
    return 0.0 <= t <= 1.0 and abs(v) <= 0.018


FOLDER_BACK = (40, 110, 170)
FOLDER_FRONT = (62, 150, 214)
FEATHER = (250, 250, 250)
SHAFT = (30, 60, 90)


def icon_pixel(x, y):
    """Colour (r, g, b, a) of the icon at unit coordinates, or None."""
    colour = None
    if rounded_rect(x, y, 0.06, 0.14, 0.46, 0.32, 0.05):
        colour = FOLDER_BACK  # tab
    if rounded_rect(x, y, 0.06, 0.22, 0.94, 0.88, 0.06):
        colour = FOLDER_BACK
    if rounded_rect(x, y, 0.06, 0.32, 0.94, 0.88, 0.06):
        colour = FOLDER_FRONT
    if quill(x, y):
        colour = FEATHER
    if shaft(x, y):
        colour = SHAFT
    return colour


def render(size, pixel, samples=4):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    c = pixel((px + (sx + 0.5) / samples) / size,
                              (py + (sy + 0.5) / samples) / size)
                    if c:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        acc[3] += 255
            n = samples * samples
            alpha = acc[3] // n
            if alpha:
                covered = acc[3] // 255
                row.append((acc[0] // covered, acc[1] // covered, acc[2] // covered, alpha))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def bmp_image(rows):
    """32-bit BGRA DIB with AND mask, as stored inside .ico files."""
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def png_image(rows):
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b'\x89PNG\r\n\x1a\n' +
            chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def write_ico(path, pixel, sizes):
    images = []
    for size in sizes:
        rows = render(size, pixel)
        images.append((size, png_image(rows) if size >= 256 else bmp_image(rows)))
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack('<BBBBHHII', dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


# The hand pointer: 32 x 32, monochrome, fingertip at column 6, row 0.
HAND = [
    "......XX........................",
    ".....X..X.......................",
    ".....X..X.......................",
    ".....X..X.......................",
    ".....X..X.......................",
    ".....X..XXX.....................",
    ".....X..X..XXX..................",
    ".....X..X..X..XX................",
    ".XX..X..X..X..X.X...............",
    "X..X.X..X..X..X..X..............",
    "X...XX........X..X..............",
    ".X...X...........X..............",
    "..X..............X..............",
    "..X..............X..............",
    "...X.............X..............",
    "...X............X...............",
    "....X...........X...............",
    "....X..........X................",
    ".....X.........X................",
    ".....XXXXXXXXXXX................",
]


def hand_shape():
    rows = [list(r.ljust(32, '.')) for r in HAND] + [['.'] * 32 for _ in range(32 - len(HAND))]
    # Fill the inside of the outline with white: scan each row between outline pixels
    # that belong to the hand, using a flood fill from a point inside the palm.
    inside = set()
    stack = [(10, 12)]
    while stack:
        x, y = stack.pop()
        if not (0 <= x < 32 and 0 <= y < 32) or (x, y) in inside or rows[y][x] == 'X':
            continue
        inside.add((x, y))
        stack += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    return rows, inside


def write_cur(path):
    rows, inside = hand_shape()
    # Monochrome cursor: XOR bits over AND mask. Black outline: AND 0, XOR 0.
    # White fill: AND 0, XOR 1. Transparent: AND 1, XOR 0.
    xor_bits = bytearray()
    and_bits = bytearray()
    for y in reversed(range(32)):
        xrow = bytearray(4)
        arow = bytearray(4)
        for x in range(32):
            bit = 0x80 >> (x % 8)
            if rows[y][x] == 'X':
                pass
            elif (x, y) in inside:
                xrow[x // 8] |= bit
            else:
                arow[x // 8] |= bit
        xor_bits += xrow
        and_bits += arow
    header = struct.pack('<IiiHHIIiiII', 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    image = header + palette + bytes(xor_bits) + bytes(and_bits)
    out = struct.pack('<HHH', 0, 2, 1)
    out += struct.pack('<BBBBHHII', 32, 32, 2, 0, 6, 0, len(image), 22)
    with open(path, 'wb') as f:
        f.write(out + image)


def render_rect(width, height, pixel, samples=4):
    """Like render, for a width x height picture; pixel gets (x, y) in pixels."""
    rows = []
    n = samples * samples
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    c = pixel(px + (sx + 0.5) / samples, py + (sy + 0.5) / samples)
                    if c:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        acc[3] += 255
            covered = acc[3] // 255
            if covered:
                row.append((acc[0] // covered, acc[1] // covered, acc[2] // covered,
                            acc[3] // n))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def over(rows, background):
    """Composites RGBA rows over a solid background colour."""
    out = []
    for row in rows:
        line = []
        for r, g, b, a in row:
            line.append(tuple((c * a + bg * (255 - a)) // 255
                              for c, bg in zip((r, g, b), background)))
        out.append(line)
    return out


def write_bmp24(path, rows):
    """Bottom-up 24-bit BMP, what LoadImage and the resource compiler expect."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835,
                       0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, 'wb') as f:
        f.write(header + info + bytes(pixels))


def write_png(path, rows):
    with open(path, 'wb') as f:
        f.write(png_image(rows))


WHITE = (255, 255, 255)
FONT_BOLD = '/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf'
FONT = '/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf'


def hex_colour(c):
    return '#%02X%02X%02X' % c


def convert(*args):
    subprocess.run(['convert', *args], check=True)


def make_logo(path):
    """The banner's 48 x 48 logo: the icon on the banner's white."""
    write_bmp24(path, over(render(48, icon_pixel), WHITE))


def make_title(path):
    """The banner's title picture, 300 x 50: the name and what the program does."""
    convert('-size', '300x50', 'xc:white',
            '-font', FONT_BOLD, '-pointsize', '30', '-fill', hex_colour(FOLDER_BACK),
            '-annotate', '+2+31', 'Quillane',
            '-font', FONT, '-pointsize', '10.5', '-fill', '#5A6470',
            '-annotate', '+4+46', 'Icons, colours and pictures for your folders',
            '-strip', '-sampling-factor', '1x1', '-quality', '92', path)


def make_help(path):
    """The banner's 48 x 48 Help picture: a question mark on a round blue badge."""
    convert('-size', '48x48', 'xc:white',
            '-fill', hex_colour(FOLDER_FRONT), '-stroke', hex_colour(FOLDER_BACK),
            '-strokewidth', '2', '-draw', 'circle 24,24 24,5',
            '-font', FONT_BOLD, '-pointsize', '27', '-fill', 'white', '-stroke', 'none',
            '-gravity', 'center', '-annotate', '+0+1', '?',
            '-type', 'TrueColor', 'BMP3:' + path)


def vendor_feather(x, y):
    """A large quill running up the vendor picture, in its 71 x 147 pixels."""
    u, v = (x - 10) / 52.0, (y - 10) / 104.0
    if not (0 <= u <= 1 and 0 <= v <= 1):
        return None
    t, d = shaft_frame(u, v)
    if 0.0 <= t <= 1.0 and abs(d) <= 0.012:
        return (235, 240, 248)
    if quill(u, v):
        return WHITE
    return None


def make_vendor(path):
    """The About window's vendor picture, 71 x 147: a quill on a deep blue panel."""
    with tempfile.TemporaryDirectory() as tmp:
        feather = os.path.join(tmp, 'feather.png')
        write_png(feather, render_rect(71, 147, vendor_feather))
        convert('-size', '71x147', 'gradient:%s-%s' % (hex_colour(FOLDER_FRONT),
                                                       hex_colour(SHAFT)),
                feather, '-compose', 'over', '-composite',
                '-font', FONT_BOLD, '-pointsize', '11', '-fill', 'white',
                '-gravity', 'south', '-annotate', '+0+17', 'PELWICK',
                '-font', FONT, '-pointsize', '7', '-fill', '#D8E6F3',
                '-annotate', '+0+7', 'SOFTWARE',
                '-type', 'TrueColor', 'BMP3:' + path)


def main():
    write_ico(os.path.join(HERE, 'quillane.ico'), icon_pixel, [16, 32, 48, 256])
    write_cur(os.path.join(HERE, 'hand.cur'))
    make_logo(os.path.join(HERE, 'logo.bmp'))
    make_title(os.path.join(HERE, 'title.jpg'))
    make_help(os.path.join(HERE, 'help.bmp'))
    make_vendor(os.path.join(HERE, 'vendor.bmp'))


if __name__ == '__main__':
    main()
