#!/usr/bin/env bash
# Makes the sample pages of the image tests (kept in the repository, so the
# tests need no tools): ImageMagick 6.9 draws a seeded plasma and writes it;
# jpegtran (libjpeg-turbo 2.1) adds restart markers or recodes arithmetically; exif.jpg gets an Exif
# block with a thumbnail spliced in after its start marker.
set -euo pipefail
cd "$(dirname "$0")"
convert=/usr/bin/convert
draw() { "$convert" -size 250x190 -seed "$1" plasma:fractal -blur 0x1 "${@:2}"; }
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
