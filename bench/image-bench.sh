#!/usr/bin/env bash
# The page check's benchmark: makes 12 JPEG pages (800x1150, quality 85, about
# 100 KB each) and 12 PNG pages (1000x1400 grey, about 0.75 MB each) with
# ImageMagick, times jpeginfo -c over the JPEG pages, then runs bench_images over
# 3,000 folders of the JPEG pages and 100 folders of the PNG pages, then
# bench_window_find: the real program's search over the same 3,000 folders in a
# window on a private virtual display, check off against on. Prints the figures;
# asserts nothing.
#   bench/image-bench.sh [BIN_DIR] [ROUNDS] [--keep]   (default build/win32/bin; pages cached in $BENCH_DATA)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/win32/bin}
shift || true
data=${BENCH_DATA:-/tmp/fennoro-image-bench}
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

pages=$data/pages
if [ ! -f "$pages/.done" ]; then
  rm -rf "$pages"; mkdir -p "$pages"
  for p in $(seq -w 1 12); do
    "$convert" -size 800x1150 -seed "1$p" plasma:fractal -blur 0x1 -quality 85 "$pages/page$p.jpg"
    "$convert" -size 1000x1400 -seed "2$p" plasma:fractal -colorspace Gray -depth 8 "$pages/page$p.png"
  done
  touch "$pages/.done"
fi
# jpeginfo -c (libjpeg-turbo, native) over the pages 300 times in one process,
# the fastest of three: the yardstick of the deep level's throughput.
jpeginfo_rate=
if command -v jpeginfo >/dev/null; then
  files=(); for i in $(seq 300); do files+=("$pages"/*.jpg); done
  bytes=$(( $(cat "$pages"/*.jpg | wc -c) * 300 ))
  best=
  for round in 1 2 3; do
    start=$(date +%s.%N); jpeginfo -c "${files[@]}" >/dev/null; end=$(date +%s.%N)
    best=$(echo "$start $end ${best:-1e9}" | awk '{t = $2 - $1; print (t < $3 ? t : $3)}')
  done
  jpeginfo_rate=$(echo "$bytes $best" | awk '{printf "%.1f", $1 / $2 / 1e6}')
  echo "jpeginfo -c over 300 x 12 JPEG pages: $best s, $jpeginfo_rate MB/s"
fi
source "$root/scripts/wine-env.sh"
export FENNORO_TIMEOUT=${FENNORO_TIMEOUT:-3000}
"$root/scripts/wine-run" "$bin/bench_images.exe" "$(winepath -w "$pages")" "$@" ${jpeginfo_rate:+--jpeginfo=$jpeginfo_rate}
source "$root/scripts/xvfb.sh"
fennoro_xvfb_start || exit 1
trap fennoro_xvfb_stop EXIT
"$root/scripts/wine-run" "$bin/bench_window_find.exe" "$(winepath -w "$pages")" "$@"
