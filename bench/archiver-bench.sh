#!/usr/bin/env bash
# The bundled 7-zip32.DLL against Info-ZIP's zip and 7-Zip's zip writer (and
# the bundled UNLHA32.DLL and CAB32.DLL against our .zip) on the
# same generated folders: 8 folders of 24 JPEG pages (900x1300 noise, quality 85,
# as scanned pages are), then 8 folders of compressible text. The DLL is called
# once per folder exactly as the program calls it (default quiet template,
# verification included); its time is the time inside the call. Then our .7z
# (LZMA) against 7-Zip's own `7z a -t7z` (default level) and our .zip, on the
# JPEG pages and on one folder of about 100 MB of text (generated prose in
# chapters and a CSV table), with the peak memory of the call at -mx5 and -mx9
# and how fast a Cancel pressed in the middle of the text ends the call.
# Prints the figures; asserts nothing.
#   bench/archiver-bench.sh [BIN_DIR]      (default build/win32/bin; data cached in $BENCH_DATA)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/win32/bin}
data=${BENCH_DATA:-/tmp/fennoro-archiver-bench}
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
for tool in zip 7z /usr/bin/time; do command -v $tool >/dev/null || { echo "missing: $tool"; exit 1; }; done

make_pages() {
  local dir=$data/pages
  [ -f "$dir/.done" ] && return
  rm -rf "$dir"
  for f in $(seq 1 8); do
    mkdir -p "$dir/巻$f"
    for p in $(seq -w 1 24); do
      "$convert" -size 900x1300 xc: -seed $((f * 100 + 10#$p)) +noise Random -quality 85 "$dir/巻$f/$p.jpg"
    done
  done
  touch "$dir/.done"
}

make_text() {
  local dir=$data/text
  [ -f "$dir/.done" ] && return
  rm -rf "$dir"
  for f in $(seq 1 8); do
    mkdir -p "$dir/文書$f"
    for p in 1 2 3; do
      seq $((f * 1000000 + p)) 3 $((f * 1000000 + p + 360000)) | awk '{print "line", $1, "of the numbered page", $1 % 97}' > "$dir/文書$f/$p.txt"
    done
  done
  touch "$dir/.done"
}

# Prose from a fixed made-up vocabulary (words drawn with a Zipf-like skew), one
# seed per chapter; and an order table.
make_prose() {   # file seed megabytes
  awk -v seed="$2" -v target=$(($3 * 1048576)) 'BEGIN {
    srand(1)
    n = split("a e i o u ai ou ea", vowels, " ")
    m = split("b c d f g h k l m n p r s t v w th st pr gr ch sh br tr", cons, " ")
    for (w = 1; w <= 8000; w++) {
      word = ""; s = 1 + int(rand() * rand() * 4)
      for (k = 0; k < s; k++) word = word cons[1 + int(rand() * m)] vowels[1 + int(rand() * n)]
      if (rand() < 0.4) word = word cons[1 + int(rand() * m)]
      vocab[w] = word
    }
    srand(seed)
    size = 0; line = ""
    while (size < target) {
      words = 6 + int(rand() * 18)
      for (k = 0; k < words; k++) {
        word = vocab[int(8000 ^ rand())]
        if (k == 0) word = toupper(substr(word, 1, 1)) substr(word, 2)
        if (k == words - 1) word = word (rand() < 0.85 ? "." : "?")
        else if (rand() < 0.08) word = word ","
        if (length(line) + length(word) > 72) { print line; size += length(line) + 1; line = word }
        else line = (line == "" ? word : line " " word)
      }
      if (rand() < 0.12) { print line; print ""; size += length(line) + 2; line = "" }
    }
    print line
  }' > "$1"
}

make_csv() {   # file rows
  awk -v rows="$2" 'BEGIN {
    srand(42)
    split("Sapporo Sendai Tokyo Yokohama Nagoya Kyoto Osaka Kobe Hiroshima Fukuoka Naha Niigata Kanazawa Shizuoka", city, " ")
    split("notebook pencil eraser ruler stapler folder binder scissors marker envelope stamp calendar", item, " ")
    split("Sato Suzuki Takahashi Tanaka Watanabe Ito Yamamoto Nakamura Kobayashi Kato Yoshida Yamada", family, " ")
    print "id,date,customer,city,product,quantity,unit_price,total,status"
    for (i = 1; i <= rows; i++) {
      q = 1 + int(rand() * 40); p = 50 + int(rand() * 2000)
      printf "%d,2024-%02d-%02d,%s %c.,%s,%s,%d,%d,%d,%s\n", 100000 + i, 1 + int(rand() * 12), 1 + int(rand() * 28), \
        family[1 + int(rand() * 12)], 65 + int(rand() * 26), city[1 + int(rand() * 14)], item[1 + int(rand() * 12)], q, p, q * p, \
        (rand() < 0.9 ? "shipped" : "pending")
    }
  }' > "$1"
}

make_prose_folder() {
  local dir=$data/prose
  [ -f "$dir/.done" ] && return
  rm -rf "$dir"
  mkdir -p "$dir/小説"
  for c in $(seq -w 1 14); do make_prose "$dir/小説/chapter$c.txt" "$c" 5; done
  make_csv "$dir/小説/orders.csv" 450000
  touch "$dir/.done"
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }
size_of() { du -cb "$@" | tail -1 | cut -f1; }

bench_set() {   # name
  local set=$1 dir=$data/$1 out=$data/out-$1
  rm -rf "$out"; mkdir -p "$out"
  local folders=("$dir"/*/)
  local bytes
  bytes=$(size_of "${folders[@]}")
  local mb
  mb=$(awk "BEGIN{print $bytes/1048576}")
  echo "== $set: ${#folders[@]} folders, $(printf '%.1f' "$mb") MB"

  local ext ms total wall
  for ext in zip 7z lzh cab; do
    local call
    case $ext in
      zip|7z) call=(7-zip32.DLL SevenZip "a -r -hide -t$ext" "*") ;;
      lzh) call=(UNLHA32.DLL Unlha "a -d1 -n" "*.*") ;;
      cab) call=(CAB32.DLL Cab "-a -r -i" "*.*") ;;
    esac
    total=0
    cpu=0
    local start
    start=$(now_ms)
    for folder in "${folders[@]}"; do
      local name
      name=$(basename "$folder")
      local win="Z:${folder//\//\\}"
      local arc="Z:${out//\//\\}\\$name.$ext"
      local report
      report=$("$root/scripts/wine-run" "$bin/archiver-call.exe" "${call[0]}" "${call[1]}" "${call[2]} \"$arc\" \"$win\" ${call[3]}" | tr -d '\r')
      ms=$(echo "$report" | sed -n 's/^milliseconds=//p')
      [ -n "$ms" ] || { echo "${call[0]} failed on $name"; return 1; }
      total=$((total + ms))
      cpu=$((cpu + $(echo "$report" | field cpu_milliseconds)))
    done
    wall=$(( $(now_ms) - start ))
    eval "dll_$ext=$total"
    eval "size_$ext=$(size_of "$out"/*."$ext")"
    printf '  %-11s .%-3s %7.2f s in the calls (%6.1f MB/s), %7.2f s with Wine start-up; %d bytes\n' \
      "${call[0]}" "$ext" "$(awk "BEGIN{print $total/1000}")" "$(awk "BEGIN{print $mb/($total/1000)}")" "$(awk "BEGIN{print $wall/1000}")" "$(eval echo \$size_$ext)"
  done

  local start=$(now_ms)
  for folder in "${folders[@]}"; do (cd "$folder" && zip -qr "$out/$(basename "$folder")-infozip.zip" .); done
  local infozip=$(( $(now_ms) - start ))
  local size_infozip=$(size_of "$out"/*-infozip.zip)
  start=$(now_ms)
  for folder in "${folders[@]}"; do (cd "$folder" && 7z a -tzip -bd -bso0 "$out/$(basename "$folder")-7zip.zip" . >/dev/null); done
  local sevenzip=$(( $(now_ms) - start ))
  local size_7zip=$(size_of "$out"/*-7zip.zip)
  printf '  Info-ZIP zip -r    %7.2f s (%6.1f MB/s); %d bytes\n' "$(awk "BEGIN{print $infozip/1000}")" "$(awk "BEGIN{print $mb/($infozip/1000)}")" "$size_infozip"
  printf '  7z a -tzip         %7.2f s (%6.1f MB/s); %d bytes\n' "$(awk "BEGIN{print $sevenzip/1000}")" "$(awk "BEGIN{print $mb/($sevenzip/1000)}")" "$size_7zip"
  printf '  .zip vs Info-ZIP: speed ratio %.2f (>= 1.0: ours faster), size %+.2f%%\n' \
    "$(awk "BEGIN{print $infozip/$dll_zip}")" "$(awk "BEGIN{print ($size_zip/$size_infozip-1)*100}")"
  printf '  .zip vs 7z a -tzip: speed ratio %.2f, size %+.2f%%\n' \
    "$(awk "BEGIN{print $sevenzip/$dll_zip}")" "$(awk "BEGIN{print ($size_zip/$size_7zip-1)*100}")"
  for ext in lzh cab; do
    printf '  .%s vs our .zip: speed ratio %.2f, size %+.2f%%\n' "$ext" \
      "$(awk "BEGIN{print $dll_zip/$(eval echo \$dll_$ext)}")" "$(awk "BEGIN{print ($(eval echo \$size_$ext)/$size_zip-1)*100}")"
  done
  rm -rf "$out"
}

call_dll() {   # archive folder switches [environment...]; prints archiver-call's report
  local arc=$1 folder=$2 switches=$3; shift 3
  env "$@" "$root/scripts/wine-run" "$bin/archiver-call.exe" 7-zip32.DLL SevenZip \
    "a -r $switches \"Z:${arc//\//\\}\" \"Z:${folder//\//\\}\" *" | tr -d '\r'
}
field() { sed -n "s/^$1=//p"; }

bench_sevenzip() {   # name
  local set=$1 dir=$data/$1 out=$data/out-7z-$1
  rm -rf "$out"; mkdir -p "$out"
  local folders=("$dir"/*/)
  local bytes mb
  bytes=$(size_of "${folders[@]}")
  mb=$(awk "BEGIN{print $bytes/1048576}")
  echo "== .7z on $set: ${#folders[@]} folder(s), $(printf '%.1f' "$mb") MB"
  local kind folder name report ms peak
  for kind in 7z zip 7z-mx9; do
    local total=0 top=0 cpu=0 switches="-hide -t7z"
    [ "$kind" = zip ] && switches="-hide -tzip"
    [ "$kind" = 7z-mx9 ] && switches="-hide -t7z -mx9"
    for folder in "${folders[@]}"; do
      name=$(basename "$folder")
      report=$(call_dll "$out/$name.$kind" "$folder" "$switches")
      ms=$(echo "$report" | field milliseconds)
      [ "$(echo "$report" | field result)" = 0 ] || { echo "7-zip32.DLL failed on $name: $report"; return 1; }
      peak=$(echo "$report" | field peak_working_set_mib)
      total=$((total + ms))
      cpu=$((cpu + $(echo "$report" | field cpu_milliseconds)))
      top=$(awk "BEGIN{print ($peak > $top) ? $peak : $top}")
    done
    eval "ms_${kind//-/_}=$total"
    eval "size_${kind//-/_}=$(size_of "$out"/*."$kind")"
    printf '  ours %-7s %8.2f s (%6.2f MB/s, %7.1f s of processor); %10d bytes; peak working set %.0f MiB\n' ".$kind" \
      "$(awk "BEGIN{print $total/1000}")" "$(awk "BEGIN{print $mb/($total/1000)}")" "$(awk "BEGIN{print $cpu/1000}")" \
      "$(eval echo \$size_${kind//-/_})" "$top"
  done
  local start
  start=$(now_ms)
  local cpu7=0
  for folder in "${folders[@]}"; do
    (cd "$folder" && /usr/bin/time -f '%U %S' -o "$out/time.txt" 7z a -t7z -bd -bso0 "$out/$(basename "$folder")-7zip.7z" . >/dev/null)
    cpu7=$(awk -v c="$cpu7" '{print c + $1 + $2}' "$out/time.txt")
  done
  local seven=$(( $(now_ms) - start ))
  local size_seven
  size_seven=$(size_of "$out"/*-7zip.7z)
  printf '  7z a -t7z     %8.2f s (%6.2f MB/s, %7.1f s of processor); %10d bytes\n' "$(awk "BEGIN{print $seven/1000}")" \
    "$(awk "BEGIN{print $mb/($seven/1000)}")" "$cpu7" "$size_seven"
  printf '  our .7z vs 7z a -t7z: size %.3fx (target <= 1.05), speed %.2fx (target >= 0.5)\n' \
    "$(awk "BEGIN{print $size_7z/$size_seven}")" "$(awk "BEGIN{print $seven/$ms_7z}")"
  printf '  our .7z vs our .zip: size %.3fx; -mx9 vs -mx5: size %.3fx\n' \
    "$(awk "BEGIN{print $size_7z/$size_zip}")" "$(awk "BEGIN{print $size_7z_mx9/$size_7z}")"
  if [ ${#folders[@]} -eq 1 ]; then
    # Cancel pressed 3 s into the call, with the progress window shown.
    report=$(call_dll "$out/cancelled.7z" "${folders[0]}" "-t7z" FENNORO_CANCEL_AFTER_MS=3000)
    printf '  Cancel after 3 s: result %s, the call returned %s ms after the click; left behind: %s\n' \
      "$(echo "$report" | field result)" "$(echo "$report" | field cancel_latency_milliseconds)" "$(ls "$out" | grep -c '^~\|cancelled' || true)"
  fi
  rm -rf "$out"
}

source "$root/scripts/wine-env.sh"
fennoro_wine_prepare
make_pages
make_text
[ "${BENCH_ONLY:-all}" = zip ] || make_prose_folder
case ${BENCH_ONLY:-all} in
  7z) bench_sevenzip pages; bench_sevenzip prose ;;
  prose) bench_sevenzip prose ;;
  zip) bench_set pages; bench_set text ;;
  *) bench_set pages; bench_set text; bench_sevenzip pages; bench_sevenzip prose ;;
esac
