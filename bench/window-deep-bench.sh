#!/usr/bin/env bash
# The deep page check against jpeginfo -c, in the real window: makes 60 folders
# of 30 distinct 1000x1400 JPEG pages (1,800 pages, about 256 MB; every third
# page progressive) with ImageMagick and cjpeg, times jpeginfo -c over all of
# them in one process (the fastest of three), then runs bench_window_find on a
# private virtual display: the program's search over the tree with the page
# check off, quick and deep in turn. Prints the time each level adds to the
# search without a check, and the deep level's against jpeginfo's. Asserts nothing.
#   bench/window-deep-bench.sh [BIN_DIR] [ROUNDS]   (default build/win32/bin, 3 rounds; pages cached in $BENCH_DATA)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/win32/bin}
rounds=${2:-3}
data=${BENCH_DATA:-/tmp/fennoro-deep-bench}
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
tree=$data/tree
if [ ! -f "$tree/.done" ]; then
  rm -rf "$tree"; mkdir -p "$tree"
  echo "making 1,800 pages in $tree ..."
  for book in $(seq -w 1 60); do
    mkdir -p "$tree/book$book"
    "$convert" -size 1000x1400 -seed "$book" plasma:fractal -blur 0x1 "$data/source.ppm"
    for page in $(seq -w 1 30); do
      quality=$((65 + 10#$page))
      if (( 10#$page % 3 == 0 )); then mode=-progressive; else mode=-optimize; fi
      cjpeg -quality "$quality" $mode "$data/source.ppm" > "$tree/book$book/p$page.jpg"
    done
  done
  rm -f "$data/source.ppm"
  touch "$tree/.done"
fi
echo "pages: $(find "$tree" -name '*.jpg' | wc -l), $(du -sm "$tree" | cut -f1) MB"
best=
for round in 1 2 3; do
  start=$(date +%s.%N); find "$tree" -name '*.jpg' -print0 | xargs -0 jpeginfo -c >/dev/null; end=$(date +%s.%N)
  best=$(echo "$start $end ${best:-1e9}" | awk '{t = $2 - $1; print (t < $3 ? t : $3)}')
done
echo "jpeginfo -c over the same pages: $best s (fastest of 3)"
source "$root/scripts/wine-env.sh"
export FENNORO_TIMEOUT=${FENNORO_TIMEOUT:-3000}
source "$root/scripts/xvfb.sh"
fennoro_xvfb_start || exit 1
trap fennoro_xvfb_stop EXIT
"$root/scripts/wine-run" "$bin/bench_window_find.exe" "--tree=$(winepath -w "$tree")" "$rounds" "--jpeginfo=$best"
