#!/usr/bin/env bash
# The whole job as a user times it: the real program in its window on a private
# virtual display, the find with the quick page check and then F8 to .zip, once
# with removal off and once with removal on (every recycle-bin question
# answered), against what a careful user runs instead on a copy of the same
# library, per book: 7-Zip packing and then testing (`7z a -tzip` + `7z t`), and
# Info-ZIP's `zip -r`. All four in one run, in alternating order, each round on
# a fresh copy; medians. Then archive sizes against Info-ZIP's, and where F8's
# time goes: a timing build (preset win32-phases, when built) runs the same
# two jobs once more and writes its time per phase. Beside them, in the same
# rounds, the disk's floor under F8 on a copy of the library, per book: every
# page read, written to one file, flushed, read back through a CRC, under Wine
# (bench_floor.exe) and natively (cat, sync, cksum). With BEFORE_BIN naming the
# build of another version (BEFORE_PHASES_BIN its timing build), that program
# runs in the same rounds too, so that a change is measured under the same load.
# The library: BOOKS books of PAGES distinct JPEG pages (900x1300, quality 90,
# about 180 KB: each page is one of a few generated images rolled by its own
# offset, then encoded by cjpeg). Prints the figures; asserts nothing.
#   bench/job-bench.sh [BIN_DIR] [ROUNDS] [BOOKS] [PAGES]   (build/win32/bin, 3, 60, 30)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/win32/bin}
rounds=${2:-3}
books=${3:-60}
pages=${4:-30}
phases_bin=${PHASES_BIN:-$root/build/win32-phases/bin}
data=${BENCH_DATA:-/tmp/fennoro-job-bench}
for tool in zip unzip 7z cjpeg convert; do command -v $tool >/dev/null || { echo "missing: $tool"; exit 1; }; done
[ -f "$bin/bench_job.exe" ] || { echo "missing: $bin/bench_job.exe (build the win32 preset)"; exit 1; }

source "$root/bench/library.sh"

median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
now() { date +%s.%N; }
field() { sed -n "s/^$1=//p" | tr -d '\r'; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN {printf "%.3f", b - a}'; }

source "$root/scripts/wine-env.sh"
fennoro_wine_prepare
make_library
library_bytes=$(find "$library" -name '*.jpg' -printf '%s\n' | awk '{s += $1} END {print s}')
mb=$(awk -v b="$library_bytes" 'BEGIN {printf "%.1f", b / 1e6}')
echo "library: $books books of $pages pages, $mb MB; $rounds rounds; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

# The program's run folders: the program, its archivers, an INI written by bench_job.
prepare_program() {   # from_dir to_dir
  rm -rf "$2"; mkdir -p "$2"
  cp "$1/fennoro.exe" "$1/7-zip32.DLL" "$1/UNLHA32.DLL" "$1/CAB32.DLL" "$2/"
}
prepare_program "$bin" "$data/run"
phase_runs=()
if [ -f "$phases_bin/fennoro.exe" ] && [ -f "$phases_bin/7-zip32.DLL" ]; then
  prepare_program "$phases_bin" "$data/run-phases"
  phase_runs+=("$data/run-phases")
fi
kinds="off 7z floor on zip nfloor"
# COMICINFO=1: F8 with ComicInfo.xml written into every .zip (removal off) against
# F8 without it, alone: KINDS="off ci".
[ "${COMICINFO:-0}" = 1 ] && kinds="off ci"
if [ -n "${BEFORE_BIN:-}" ]; then
  prepare_program "$BEFORE_BIN" "$data/run-before"
  kinds="off 7z boff floor on zip bon nfloor"
  if [ -n "${BEFORE_PHASES_BIN:-}" ]; then
    prepare_program "$BEFORE_PHASES_BIN" "$data/run-before-phases"
    phase_runs+=("$data/run-before-phases")
  fi
fi

source "$root/scripts/xvfb.sh"
fennoro_xvfb_start || exit 1
trap 'fennoro_xvfb_stop; wineserver -k 2>/dev/null' EXIT
trash=$XDG_DATA_HOME/Trash

work=$data/work
# The program's whole job on a fresh copy; prints "find compress size".
run_ours() {   # program_dir remove [comicinfo]
  rm -rf "$work" "$trash/files/"* "$trash/info/"*; mkdir -p "$work"
  cp -r "$library/." "$work/"; rm -f "$work/.done"; sync
  local report
  report=$(FENNORO_TIMEOUT=3600 "$root/scripts/wine-run" "$bin/bench_job.exe" "$(winepath -w "$1")" "$(winepath -w "$work")" "$2" ${3:+"$3"} | tr -d '\r')
  if echo "$report" | grep -q '^error='; then echo "fennoro failed: $report" >&2; return 1; fi
  local zips folders
  zips=$(find "$work" -maxdepth 1 -name '*.zip' | wc -l)
  folders=$(find "$work" -mindepth 1 -maxdepth 1 -type d | wc -l)
  [ "$zips" -eq "$books" ] || { echo "fennoro made $zips archives of $books" >&2; return 1; }
  if [ "$2" = 1 ] && [ "$folders" -ne 0 ]; then echo "fennoro left $folders folders" >&2; return 1; fi
  if [ "$2" = 0 ] && [ ! -f "$data/checked" ]; then
    # Once: every archive tested by Info-ZIP and 7-Zip, one extracted and compared byte for byte.
    local z
    for z in "$work"/*.zip; do unzip -tq "$z" >/dev/null && 7z t -bd -bso0 "$z" >/dev/null || { echo "$z fails its test" >&2; return 1; }; done
    rm -rf "$data/extract"; mkdir -p "$data/extract"
    z=$(find "$work" -maxdepth 1 -name '*.zip' | sort | head -1)
    unzip -q "$z" -d "$data/extract" && diff -r "$data/extract" "${z%.zip}" >/dev/null || { echo "$z does not give back its pages" >&2; return 1; }
    touch "$data/checked"
  fi
  echo "$(echo "$report" | field find_seconds) $(echo "$report" | field compress_seconds) $(find "$work" -maxdepth 1 -name '*.zip' -printf '%s\n' | awk '{s += $1} END {print s}')"
}

# A native tool per book on a copy; prints "seconds size".
run_native() {   # kind
  rm -rf "$work" "$data/out"; mkdir -p "$work" "$data/out"
  cp -r "$library/." "$work/"; rm -f "$work/.done"; sync
  local start book
  start=$(now)
  for book in "$work"/*/; do
    local name
    name=$(basename "$book")
    case $1 in
      7z) (cd "$book" && 7z a -tzip -bd -bso0 "$data/out/$name.zip" . >/dev/null && 7z t -bd -bso0 "$data/out/$name.zip" >/dev/null) ;;
      zip) (cd "$book" && zip -qr "$data/out/$name.zip" .) ;;
    esac || { echo "$1 failed on $name" >&2; return 1; }
  done
  echo "$(seconds_since "$start") $(find "$data/out" -name '*.zip' -printf '%s\n' | awk '{s += $1} END {print s}')"
}

rm -f "$data/checked"
declare -A find_t compress_t size_of
for round in $(seq "$rounds"); do
  order=$kinds
  [ $((round % 2)) = 0 ] && order=$(tr ' ' '\n' <<<"$kinds" | tac | tr '\n' ' ')
  for kind in $order; do
    case $kind in
      ci)
        r=$(run_ours "$data/run" 0 2) || exit 1
        read -r f c s <<<"$r"
        find_t[$kind]+="$f "; compress_t[$kind]+="$c "; size_of[$kind]=$s ;;
      off|on|boff|bon)
        program=$data/run
        [[ $kind = b* ]] && program=$data/run-before
        r=$(run_ours "$program" "$([[ $kind = *on ]] && echo 1 || echo 0)") || exit 1
        read -r f c s <<<"$r"
        find_t[$kind]+="$f "; compress_t[$kind]+="$c "; size_of[$kind]=$s ;;
      floor|nfloor)
        if [ $kind = floor ]; then r=$(floor_wine "$bin" "$work"); else r=$(floor_native "$work"); fi
        read -r t u <<<"$r"
        compress_t[$kind]+="$t "; compress_t[${kind}u]+="$u " ;;
      *)
        r=$(run_native "$kind") || exit 1
        read -r t s <<<"$r"
        compress_t[$kind]+="$t "; size_of[$kind]=$s ;;
    esac
    echo "  round $round $kind: $r"
  done
done
rm -rf "$work" "$data/out" "$data/extract" "$trash/files/"* "$trash/info/"*

med() { tr ' ' '\n' <<<"$1" | grep . | median; }
if [ "${COMICINFO:-0}" = 1 ]; then
  awk -v off="$(med "${compress_t[off]}")" -v ci="$(med "${compress_t[ci]}")" -v n="$rounds" \
      -v soff="${size_of[off]}" -v sci="${size_of[ci]}" 'BEGIN {
    printf "medians of %d rounds: F8 without ComicInfo.xml %.2f s, with it %.2f s: %.3fx; archives %d and %d bytes\n", n, off, ci, ci / off, soff, sci
  }'
  exit 0
fi
f_off=$(med "${find_t[off]}"); c_off=$(med "${compress_t[off]}")
f_on=$(med "${find_t[on]}"); c_on=$(med "${compress_t[on]}")
t7=$(med "${compress_t[7z]}"); tz=$(med "${compress_t[zip]}")
fl=$(med "${compress_t[floor]}"); flu=$(med "${compress_t[flooru]}")
nfl=$(med "${compress_t[nfloor]}"); nflu=$(med "${compress_t[nflooru]}")
awk -v mb="$mb" -v foff="$f_off" -v coff="$c_off" -v fon="$f_on" -v con="$c_on" -v t7="$t7" -v tz="$tz" \
    -v fl="$fl" -v flu="$flu" -v nfl="$nfl" -v nflu="$nflu" -v soff="${size_of[off]}" -v s7="${size_of[7z]}" -v sz="${size_of[zip]}" -v pages="$library_bytes" -v n="$rounds" 'BEGIN {
  printf "medians of %d rounds, %s MB of pages:\n", n, mb
  printf "  fennoro, removal off: find %.2f s + F8 %.2f s = %.2f s (%.0f MB/s; F8 alone %.0f MB/s)\n", foff, coff, foff + coff, mb / (foff + coff), mb / coff
  printf "  fennoro, removal on:  find %.2f s + F8 %.2f s = %.2f s (%.0f MB/s; F8 alone %.0f MB/s)\n", fon, con, fon + con, mb / (fon + con), mb / con
  printf "  7z a -tzip + 7z t:    %.2f s (%.0f MB/s)\n", t7, mb / t7
  printf "  zip -r:               %.2f s (%.0f MB/s)\n", tz, mb / tz
  printf "  whole job against 7z a + 7z t: %.2fx (removal off), %.2fx (on); against zip -r: %.2fx, %.2fx\n", t7 / (foff + coff), t7 / (fon + con), tz / (foff + coff), tz / (fon + con)
  printf "  floor (read, write, flush, read back per book): under Wine %.2f s (%.2f s without the flush), natively %.2f s (%.2f s)\n", fl, flu, nfl, nflu
  printf "  F8 against the floor under Wine: %.2fx (removal off), %.2fx (on); against the native floor: %.2fx, %.2fx\n", coff / fl, con / fl, coff / nfl, con / nfl
  printf "  sizes: ours %d, Info-ZIP %d (ours %+.3f%%), 7-Zip %d; pages %d (Info-ZIP %.4fx the pages)\n", soff, sz, (soff / sz - 1) * 100, s7, pages, sz / pages
}'
if [ -n "${BEFORE_BIN:-}" ]; then
  bf_off=$(med "${find_t[boff]}"); bc_off=$(med "${compress_t[boff]}")
  bf_on=$(med "${find_t[bon]}"); bc_on=$(med "${compress_t[bon]}")
  awk -v mb="$mb" -v foff="$bf_off" -v coff="$bc_off" -v fon="$bf_on" -v con="$bc_on" -v t7="$t7" -v tz="$tz" \
      -v aoff="$c_off" -v aon="$c_on" -v s="${size_of[boff]}" 'BEGIN {
    printf "  before, removal off:  find %.2f s + F8 %.2f s = %.2f s (F8 alone %.0f MB/s; now %.2fx as fast)\n", foff, coff, foff + coff, mb / coff, coff / aoff
    printf "  before, removal on:   find %.2f s + F8 %.2f s = %.2f s (F8 alone %.0f MB/s; now %.2fx as fast)\n", fon, con, fon + con, mb / con, con / aon
    printf "  before, whole job against 7z a + 7z t: %.2fx, %.2fx; against zip -r: %.2fx, %.2fx; size %d\n", t7 / (foff + coff), t7 / (fon + con), tz / (foff + coff), tz / (fon + con), s
  }'
fi

# Where F8's time goes, from the timing build.
if [ ${#phase_runs[@]} -gt 0 ]; then
  for remove in 0 1; do
   for run in "${phase_runs[@]}"; do
    rm -f "$run/fennoro-phases.txt"
    r=$(run_ours "$run" "$remove") || exit 1
    read -r f c s <<<"$r"
    echo "F8 per phase ($(basename "$run"), removal $([ $remove = 1 ] && echo on || echo off), F8 $c s):"
    tr -d '\r' < "$run/fennoro-phases.txt" | awk -v total="$c" -F= '
      /^folders=/ {folders = $2; next} /^end/ {next}
      {printf "  %-13s %7.3f s  %5.1f%%  %6.2f ms a folder\n", $1, $2, 100 * $2 / total, 1000 * $2 / folders; sum += $2}
      END {printf "  %-13s %7.3f s  %5.1f%%  (the rest: the window taking the command and showing the end)\n", "in the job", sum, 100 * sum / total}'
   done
  done
  rm -rf "$work" "$trash/files/"* "$trash/info/"*
else
  echo "(no timing build in $phases_bin: cmake --preset win32-phases && cmake --build --preset win32-phases)"
fi
