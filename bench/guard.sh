#!/usr/bin/env bash
# The guard: a short run (about a minute and a half once its trees are made) of
# the figures a change to the find, F8 or the page check must not worsen, each
# against its floor measured in the same run:
# - the window's find over 10,000 folders of 12 files (bench_ui_find, 3 rounds)
#   against the one-pass wide listing of the same tree;
# - F8 to .zip over the job benchmark's 60 books of 30 JPEG pages, removal off
#   and on (bench_job, one round each, the quick page check on), against the
#   disk's floor under Wine (bench_floor: every book read, written, flushed and
#   read back).
# Each ratio is set beside the README's guard table; one worse than it by more
# than 20 % is printed as a regression. Asserts nothing else.
#   bench/guard.sh [BIN_DIR]   (build/win32/bin; needs cjpeg and ImageMagick the first time;
#   GUARD_FIND_ROUNDS=N for another number of find rounds)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/win32/bin}
books=60
pages=30
data=${BENCH_DATA:-/tmp/fennoro-job-bench}
for exe in bench_ui_find bench_job bench_floor fennoro; do
  [ -f "$bin/$exe.exe" ] || { echo "missing: $bin/$exe.exe (build the win32 preset)"; exit 1; }
done
source "$root/scripts/wine-env.sh"
fennoro_wine_prepare
source "$root/bench/library.sh"
make_library
source "$root/scripts/xvfb.sh"
fennoro_xvfb_start || exit 1
trap 'fennoro_xvfb_stop' EXIT
echo "guard: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

# The README's guard table: "| name | ratio |" rows below "#### Guard".
kept() { awk -v n="$1" -F'|' '/^#### Guard/ {g = 1} g && $2 ~ n {gsub(/[ x]/, "", $3); print $3; exit}' "$root/README.md"; }
verdict() {   # name ratio
  local was
  was=$(kept "$1")
  printf "  %-32s %.2fx" "$1" "$2"
  if [ -z "$was" ]; then echo "  (not in the README's table)"
  else awk -v now="$2" -v was="$was" 'BEGIN {
    if (now > was * 1.2) printf "  REGRESSION: the table keeps %.2fx\n", was; else printf "  (table %.2fx)\n", was }'
  fi
}

# The window's find (its tree is kept between runs).
find_report=$(FENNORO_TIMEOUT=900 "$root/scripts/wine-run" "$bin/bench_ui_find.exe" "${GUARD_FIND_ROUNDS:-3}" 10000 --keep | tr -d '\r')
echo "$find_report" | grep -v '^generating'
find_ratio=$(sed -n 's/.*one-pass ratio \([0-9.]*\).*/\1/p' <<<"$find_report")

# F8 on a fresh copy each time, then the floor on another.
rm -rf "$data/guard-run"; mkdir -p "$data/guard-run"
cp "$bin/fennoro.exe" "$bin/7-zip32.DLL" "$bin/UNLHA32.DLL" "$bin/CAB32.DLL" "$data/guard-run/"
work=$data/guard-work
trash=$XDG_DATA_HOME/Trash
f8() {   # remove
  rm -rf "$work" "$trash/files/"* "$trash/info/"*; mkdir -p "$work"
  cp -r "$library/." "$work/"; rm -f "$work/.done"; sync
  FENNORO_TIMEOUT=900 "$root/scripts/wine-run" "$bin/bench_job.exe" "$(winepath -w "$data/guard-run")" \
    "$(winepath -w "$work")" "$1" | tr -d '\r' | sed -n 's/^compress_seconds=//p'
}
off=$(f8 0)
on=$(f8 1)
read -r floor _ <<<"$(floor_wine "$bin" "$work")"
rm -rf "$work" "$data/guard-run" "$trash/files/"* "$trash/info/"*
echo "  F8: removal off $off s, on $on s; the floor under Wine $floor s"
[ -n "$off" ] && [ -n "$on" ] && [ -n "$floor" ] || { echo "guard: a run failed"; exit 1; }
echo "guard ratios (load $(cut -d' ' -f1-3 /proc/loadavg) at the end):"
verdict "find 10,000 folders" "$find_ratio"
verdict "F8, removal off" "$(awk -v a="$off" -v b="$floor" 'BEGIN {print a / b}')"
verdict "F8, removal on" "$(awk -v a="$on" -v b="$floor" 'BEGIN {print a / b}')"
