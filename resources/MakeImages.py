#!/usr/bin/env python3
"""Turns the pixel-grid text sources of the program's pictures into .bmp and .ico.

A source holds a palette and pictures:
    colour X RRGGBB       one character per colour; "none" is transparent
    picture NAME WxH      followed by H rows of W characters
Usage:
    MakeImages.py strip SOURCE OUT.bmp [SIZE]   all pictures side by side, 24-bit,
                                                transparent as magenta (255,0,255); with a
                                                size, each square picture is redrawn at
                                                SIZE x SIZE, every pixel widened to whole
                                                pixels (no blended edges)
    MakeImages.py icon SOURCE OUT.ico           every picture as one image, 32-bit with alpha
    MakeImages.py bitmap16 SOURCE NAME OUT.bmp  one picture, 4-bit with the standard
                                                16-colour palette (colours must be in it)
The output depends on the source alone.
"""
import struct
import sys

MAGENTA = (255, 0, 255)
STANDARD16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def parse(path):
    palette, pictures = {}, []
    lines = open(path, encoding='utf-8').read().splitlines()
    i = 0
    while i < len(lines):
        line = lines[i].rstrip()
        i += 1
        if not line or line.startswith('#'):
            continue
        words = line.split()
        if words[0] == 'colour':
            palette[words[1]] = None if words[2] == 'none' else tuple(int(words[2][k:k + 2], 16) for k in (0, 2, 4))
        elif words[0] == 'picture':
            width, height = (int(v) for v in words[2].split('x'))
            rows = [lines[i + r][:width] for r in range(height)]
            i += height
            for r, row in enumerate(rows):
                if len(row) != width:
                    sys.exit(f'{path}: picture {words[1]} row {r + 1} is {len(row)} wide, not {width}')
                for ch in row:
                    if ch not in palette:
                        sys.exit(f'{path}: picture {words[1]}: colour {ch!r} is not in the palette')
            pictures.append((words[1], width, height, [[palette[ch] for ch in row] for row in rows]))
        else:
            sys.exit(f'{path}: cannot read {line!r}')
    return pictures


def bmp_file(info, pixel_data, palette=b''):
    offset = 14 + len(info) + len(palette)
    header = b'BM' + struct.pack('<IHHI', offset + len(pixel_data), 0, 0, offset)
    return header + info + palette + pixel_data


def info_header(width, height, bits, image_size, colours=0):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, image_size, 2835, 2835, colours, colours)


def rows_24(pixels, width):
    data = b''
    for row in reversed(pixels):
        line = b''.join(bytes((b, g, r)) for (r, g, b) in ((p or MAGENTA) for p in row))
        data += line + b'\0' * ((4 - len(line) % 4) % 4)
    return data


def resized(picture, size):
    name, width, height, pixels = picture
    return (name, size, size, [[pixels[y * height // size][x * width // size] for x in range(size)]
                               for y in range(size)])


def strip(source, out, size=None):
    pictures = parse(source)
    if size:
        pictures = [resized(p, size) for p in pictures]
    height = pictures[0][2]
    if any(p[2] != height for p in pictures):
        sys.exit(f'{source}: the pictures of a strip share one height')
    width = sum(p[1] for p in pictures)
    pixels = [sum((p[3][y] for p in pictures), []) for y in range(height)]
    data = rows_24(pixels, width)
    open(out, 'wb').write(bmp_file(info_header(width, height, 24, len(data)), data))


def icon(source, out):
    images = []
    for _, width, height, pixels in parse(source):
        colour = b''.join(bytes((p[2], p[1], p[0], 255)) if p else b'\0\0\0\0'
                          for row in reversed(pixels) for p in row)
        mask = b''
        stride = ((width + 31) // 32) * 4
        for row in reversed(pixels):
            line = bytearray(stride)
            for x, p in enumerate(row):
                if p is None:
                    line[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(line)
        data = info_header(width, height * 2, 32, len(colour) + len(mask)) + colour + mask
        images.append((width, height, data))
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b''
    for width, height, data in images:
        directory += struct.pack('<BBBBHHII', width % 256, height % 256, 0, 0, 1, 32, len(data), offset + len(body))
        body += data
    open(out, 'wb').write(directory + body)


def bitmap16(source, name, out):
    found = [p for p in parse(source) if p[0] == name]
    if not found:
        sys.exit(f'{source}: no picture {name}')
    _, width, height, pixels = found[0]
    data = b''
    for row in reversed(pixels):
        indices = []
        for p in row:
            if p not in STANDARD16:
                sys.exit(f'{source}: picture {name}: colour {p} is not one of the 16 standard colours')
            indices.append(STANDARD16.index(p))
        if len(indices) % 2:
            indices.append(0)
        line = bytes((indices[k] << 4) | indices[k + 1] for k in range(0, len(indices), 2))
        data += line + b'\0' * ((4 - len(line) % 4) % 4)
    palette = b''.join(bytes((b, g, r, 0)) for (r, g, b) in STANDARD16)
    open(out, 'wb').write(bmp_file(info_header(width, height, 4, len(data), 16), data, palette))


if __name__ == '__main__':
    kind = sys.argv[1] if len(sys.argv) > 1 else ''
    if kind == 'strip' and len(sys.argv) in (4, 5):
        strip(sys.argv[2], sys.argv[3], int(sys.argv[4]) if len(sys.argv) == 5 else None)
    elif kind == 'icon' and len(sys.argv) == 4:
        icon(sys.argv[2], sys.argv[3])
    elif kind == 'bitmap16' and len(sys.argv) == 5:
        bitmap16(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        sys.exit(__doc__)
