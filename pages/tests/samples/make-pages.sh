#!/usr/bin/env bash
# Makes the sample pages of the image tests (kept in the repository, so the
# tests need no tools): ImageMagick 6.9 draws a seeded plasma and writes it;
# jpegtran (libjpeg-turbo 2.1) adds restart markers or recodes arithmetically; exif.jpg gets an Exif
# block with a thumbnail spliced in after its start marker.
set -euo pipefail
cd "$(dirname "$0")"
convert=/usr/bin/convert
draw() { "$convert" -size "${size:-250x190}" -seed "$1" plasma:fractal -blur 0x1 "${@:2}"; }
draw 11 -quality 85 baseline.jpg
draw 12 -quality 85 -interlace JPEG progressive.jpg
draw 13 -quality 85 -colorspace Gray grey.jpg
draw 14 -quality 85 -sampling-factor 1x1 s444.jpg
draw 15 -quality 85 restart-source.jpg
jpegtran -restart 5B -outfile restart.jpg restart-source.jpg
jpegtran -progressive -restart 7B -outfile progressive-restart.jpg restart-source.jpg
jpegtran -arithmetic -outfile arithmetic.jpg restart-source.jpg
rm restart-source.jpg
draw 16 -quality 85 exif-source.jpg
"$convert" exif-source.jpg -resize 64x48 -quality 70 -strip thumb.jpg
python3 - <<'PY'
import struct
thumb = open("thumb.jpg", "rb").read()
page = open("exif-source.jpg", "rb").read()
# TIFF (little-endian): IFD0 with one entry (Orientation), IFD1 with the thumbnail's offset and length.
ifd0 = 8
ifd1 = ifd0 + 2 + 12 + 4
data = ifd1 + 2 + 2 * 12 + 4
tiff = b"II*\x00" + struct.pack("<I", ifd0)
tiff += struct.pack("<H", 1) + struct.pack("<HHII", 0x0112, 3, 1, 1) + struct.pack("<I", ifd1)
tiff += struct.pack("<H", 2) + struct.pack("<HHII", 0x0201, 4, 1, data) + struct.pack("<HHII", 0x0202, 4, 1, len(thumb))
tiff += struct.pack("<I", 0) + thumb
body = b"Exif\x00\x00" + tiff
open("exif.jpg", "wb").write(page[:2] + b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body + page[2:])
PY
rm exif-source.jpg thumb.jpg

# Larger arithmetic-coded pages (sequential and progressive), for damage in the
# middle of their data.
size=400x300 draw 17 -quality 85 arith-source.jpg
jpegtran -arithmetic -outfile arithmetic-large.jpg arith-source.jpg
jpegtran -arithmetic -progressive -outfile arithmetic-progressive.jpg arith-source.jpg
rm arith-source.jpg

# A Motion-JPEG style frame: cjpeg's standard Huffman tables, its DHT segments
# taken out (decoders then use the standard's tables).
draw 18 ppm:- | cjpeg -quality 80 > mjpeg-source.jpg
# A camera's multi-picture file: the main image with an MPF segment (APP2) that
# points at a preview image written after the main image's end marker.
draw 19 -quality 85 mpf-main.jpg
"$convert" mpf-main.jpg -resize 80x60 -quality 70 -strip mpf-preview.jpg
python3 - <<'PY'
import struct
def segments(data):
    at = 2
    while data[at + 1] != 0xDA:
        length = struct.unpack(">H", data[at + 2:at + 4])[0]
        yield at, data[at + 1], at + 2 + length
        at += 2 + length
page = open("mjpeg-source.jpg", "rb").read()
kept = page[:2]
last = 2
for start, marker, end in segments(page):
    if marker != 0xC4:
        kept += page[start:end]
    last = end
open("mjpeg.jpg", "wb").write(kept + page[last:])

main = open("mpf-main.jpg", "rb").read()
preview = open("mpf-preview.jpg", "rb").read()
# MP header (big-endian TIFF): MPFVersion, NumberOfImages, MPEntry for two images.
def mpf(main_size):
    entries = 3
    ifd = 8
    values = ifd + 2 + entries * 12 + 4
    tiff = b"MM\x00\x2a" + struct.pack(">I", ifd) + struct.pack(">H", entries)
    tiff += struct.pack(">HHI", 0xB000, 7, 4) + b"0100"
    tiff += struct.pack(">HHII", 0xB001, 4, 1, 2)
    tiff += struct.pack(">HHII", 0xB002, 7, 32, values)
    tiff += struct.pack(">I", 0)
    # Image 1: the main image at 0; image 2: the preview, offset from the MP header.
    tiff += struct.pack(">IIIHH", 0x20030000, main_size, 0, 0, 0)
    tiff += struct.pack(">IIIHH", 0x00010002, len(preview), max(main_size - 10, 0), 0, 0)
    return b"MPF\x00" + tiff
body = mpf(0)
segment = b"\xff\xe2" + struct.pack(">H", len(body) + 2)
size = len(main) + len(segment) + len(body)
body = mpf(size)
out = main[:2] + b"\xff\xe2" + struct.pack(">H", len(body) + 2) + body + main[2:]
open("mpf.jpg", "wb").write(out + preview)
PY
rm mjpeg-source.jpg mpf-main.jpg mpf-preview.jpg

# A GIF page, and bitmaps coded RLE8 (ImageMagick) and RLE4 (written here from
# ImageMagick's 16-colour bitmap: runs of equal pixels, literal spans for the rest).
"$convert" -size 160x120 -seed 20 plasma:fractal -blur 0x1 page.gif
"$convert" -size 120x90 -seed 21 plasma:fractal -colors 200 -compress RLE BMP3:rle8.bmp
"$convert" -size 120x90 -seed 22 plasma:fractal -colors 16 -compress None BMP3:rle4-source.bmp
python3 - <<'PY'
import struct
data = open("rle4-source.bmp", "rb").read()
offset = struct.unpack("<I", data[10:14])[0]
info = data[14:14 + 40]
width, height = struct.unpack("<ii", info[4:12])
stride = (width * 4 + 31) // 32 * 4
palette = data[14 + 40:offset]
out = bytearray()
for y in range(height):
    row = data[offset + y * stride:offset + (y + 1) * stride]
    pixels = [(row[i // 2] >> (4 if i % 2 == 0 else 0)) & 15 for i in range(width)]
    x = 0
    while x < width:
        run = 1
        while x + run < width and run < 255 and pixels[x + run] == pixels[x]:
            run += 1
        if run >= 3 or width - x < 3:
            out += bytes([run, pixels[x] << 4 | pixels[x]])
            x += run
        else:
            n = min(width - x, 8)
            span = pixels[x:x + n] + [0]
            literal = bytes(span[i] << 4 | span[i + 1] for i in range(0, n, 2))
            out += bytes([0, n]) + literal + (b"\x00" if len(literal) % 2 else b"")
            x += n
    out += b"\x00\x00"
out += b"\x00\x01"
header = bytearray(info)
header[16:20] = struct.pack("<I", 2)
header[20:24] = struct.pack("<I", len(out))
pixels_at = 14 + 40 + len(palette)
total = pixels_at + len(out)
open("rle4.bmp", "wb").write(b"BM" + struct.pack("<IHHI", total, 0, 0, pixels_at) + bytes(header) + palette + bytes(out))
PY
rm rle4-source.bmp

# A progressive page at quality 100: refinement scans reach the last
# coefficient of their band.
size=160x120 draw 23 ppm:- | cjpeg -quality 100 -progressive > progressive-fine.jpg

# A PNG page, wider than high, so that a width never passes for a height.
"$convert" -size 180x130 -seed 24 plasma:fractal -blur 0x1 -strip page.png

# Files every decoder opens that an early walk refused (named .jpeg, so that the
# damage tests of whole .jpg pages pass them by): progressive scripts that stop
# refining early (jpegtran -scans: the DC alone; low bands; no final refinement),
# and ImageMagick's RLE8 bitmaps whose widths are no multiple of 4 (it codes each
# row's padding pixels as runs).
size=160x120 draw 25 -quality 90 scans-source.jpg
printf '0,1,2: 0-0, 0, 0;\n' > dc.txt
printf '0,1,2: 0-0, 0, 1;\n0: 1-5, 0, 2;\n1: 1-5, 0, 2;\n2: 1-5, 0, 2;\n' > low.txt
printf '0,1,2: 0-0, 0, 1;\n0: 1-63, 0, 1;\n1: 1-63, 0, 1;\n2: 1-63, 0, 1;\n' > unrefined.txt
for script in dc low unrefined; do jpegtran -scans $script.txt -outfile scans-$script.jpeg scans-source.jpg; done
rm scans-source.jpg dc.txt low.txt unrefined.txt
for width in 1 5 7 13 333; do
  "$convert" -size ${width}x9 -seed 26 plasma:fractal -colors 50 -compress RLE BMP3:rle8-w$width.bmp
done
