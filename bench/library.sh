# What the job benchmarks share: the library of books of distinct JPEG pages,
# and the disk's floor under F8 measured on a copy of it. Sourced with root, data,
# books and pages set (bench/job-bench.sh, bench/guard.sh).

library=$data/library-$books-$pages
make_library() {
  [ -f "$library/.done" ] && return
  rm -rf "$library"; mkdir -p "$data/bases"
  local b
  for b in 1 2 3 4 5 6; do
    [ -f "$data/bases/$b.ppm" ] || convert -size 900x1300 -seed "$b" plasma:fractal -blur 0x1 -attenuate 0.1 \
      +noise Gaussian -depth 8 "$data/bases/$b.ppm"
  done
  local header=16 bytes=$((900 * 1300 * 3)) book page base offset dir
  echo "generating $books books of $pages JPEG pages ..."
  for book in $(seq -w 1 "$books"); do
    dir=$library/巻$book
    mkdir -p "$dir"
    for page in $(seq -w 1 "$pages"); do
      base=$data/bases/$(( (10#$book + 10#$page) % 6 + 1 )).ppm
      # Whole rows and columns: a rolled picture, its own bytes.
      offset=$(( ((10#$book * 37 + 10#$page * 11) % 1300 * 900 + (10#$book * 7 + 10#$page * 13) % 900) * 3 ))
      { head -c "$header" "$base"; tail -c +$((header + offset + 1)) "$base"; head -c $((header + offset)) "$base" | tail -c "$offset"; } \
        | cjpeg -quality 90 > "$dir/p$page.jpg"
    done
  done
  touch "$library/.done"
}

# The floor under Wine: bench_floor.exe over a fresh copy (every book read,
# written to one file, flushed, read back through a CRC); prints "flushed unflushed".
floor_wine() {   # bin_dir work_dir
  rm -rf "$2"; mkdir -p "$2"; cp -r "$library/." "$2/"; rm -f "$2/.done"; sync
  local report
  report=$(FENNORO_TIMEOUT=600 "$root/scripts/wine-run" "$1/bench_floor.exe" "$(winepath -w "$2")" | tr -d '\r')
  echo "$(sed -n 's/^floor_seconds=//p' <<<"$report") $(sed -n 's/^floor_noflush_seconds=//p' <<<"$report")"
  rm -rf "$2"
}

# The same natively: cat into one file, fsync it, read it back through cksum's CRC.
floor_native() {   # work_dir
  rm -rf "$1"; mkdir -p "$1"; cp -r "$library/." "$1/"; rm -f "$1/.done"; sync
  local pass flush start book result=""
  for flush in 1 0; do
    start=$(date +%s.%N)
    for book in "$1"/*/; do
      cat "$book"*.jpg > "${book%/}.floor"
      [ $flush = 1 ] && sync "${book%/}.floor"
      cksum < "${book%/}.floor" >/dev/null
    done
    result+="$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN {printf "%.3f", b - a}') "
    rm -f "$1"/*.floor
  done
  echo "$result"
  rm -rf "$1"
}
