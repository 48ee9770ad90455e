#!/usr/bin/env bash
# The .cbz format in the real window: a find, then F8; each archive holds its
# pages and a ComicInfo.xml naming the series, the volume, the page count and
# each page's size, read by xmllint and Python's parser; a folder's own
# ComicInfo.xml is packed as it is and is not a page.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
pages=$(cd "$(dirname "$0")/../../pages/tests/samples" && pwd)
library=$work/library
rm -rf "$library"; mkdir -p "$library"
book="銀河の本 第2巻"
mkdir -p "$library/$book" "$library/own"
cp "$pages/baseline.jpg" "$library/$book/001.jpg"
cp "$pages/page.gif" "$library/$book/002.gif"
cp "$pages/progressive.jpg" "$library/$book/003.jpg"
cp "$pages/baseline.jpg" "$library/own/01.jpg"
printf '<?xml version="1.0"?>\n<ComicInfo><Series>From the downloader</Series></ComicInfo>\n' > "$library/own/ComicInfo.xml"
root=$(e2e_winpath "$library")
# .cbz is the fifth default format; removal off.
e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "AutoFind=1" "RemoveFolder=0" "ArchiveExtensionIndex=4"
e2e_start || e2e_fail "the window did not start"
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish: $(e2e_status)"
e2e_expect_row "$book" 1 "+圧縮できます"
e2e_expect_row own 1 "+圧縮できます"
e2e_key F8
e2e_wait_status_confirming "圧縮が終了しました" 120 || e2e_fail "the compression did not finish: $(e2e_status)"
e2e_expect_row "$book" 0 "*圧縮しました" "$book.cbz"
e2e_expect_row own 0 "*圧縮しました" "own.cbz"

archive=$library/$book.cbz
7z t "$archive" >/dev/null || e2e_fail "7z does not read $book.cbz"
unzip -tq "$archive" >/dev/null || e2e_fail "unzip does not read $book.cbz"
[ "$(unzip -Z1 "$archive" | tr '\n' ' ')" = "001.jpg 002.gif 003.jpg ComicInfo.xml " ] ||
  e2e_fail "$book.cbz holds: $(unzip -Z1 "$archive")"
unzip -p "$archive" ComicInfo.xml > "$work/info.xml"
xmllint --noout "$work/info.xml" || e2e_fail "xmllint refuses the ComicInfo.xml"
facts=$(python3 - "$work/info.xml" <<'PY'
import sys, xml.etree.ElementTree as ET
r = ET.parse(sys.argv[1]).getroot()
print(r.findtext("Series"), r.findtext("Number"), r.findtext("Volume"), r.findtext("PageCount"), r.findtext("Manga"))
for p in r.find("Pages"):
    print(p.get("Image"), p.get("ImageSize"), p.get("ImageWidth"), p.get("ImageHeight"))
PY
)
expected="銀河の本 2 2 3 YesAndRightToLeft
0 $(stat -c %s "$pages/baseline.jpg") 250 190
1 $(stat -c %s "$pages/page.gif") 160 120
2 $(stat -c %s "$pages/progressive.jpg") 250 190"
[ "$facts" = "$expected" ] || e2e_fail "the ComicInfo.xml says: $facts"

[ "$(unzip -Z1 "$library/own.cbz" | tr '\n' ' ')" = "01.jpg ComicInfo.xml " ] || e2e_fail "own.cbz holds: $(unzip -Z1 "$library/own.cbz")"
cmp -s <(unzip -p "$library/own.cbz" ComicInfo.xml) "$library/own/ComicInfo.xml" || e2e_fail "the folder's own file was not packed as it is"
e2e_screenshot "$work/comicinfo.png"
e2e_close
echo "comicinfo: ok"
