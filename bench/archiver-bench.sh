#!/usr/bin/env bash
# The bundled 7-zip32.DLL against Info-ZIP's zip and 7-Zip's zip writer (and
# the bundled UNLHA32.DLL and CAB32.DLL against our .zip) on the
# same generated folders: 8 folders of 24 JPEG pages (900x1300 noise, quality 85,
# as scanned pages are), then 8 folders of compressible text. The DLL is called
# once per folder exactly as the program calls it (default quiet template,
# verification included); its time is the time inside the call. Prints the
# figures; asserts nothing.
#   bench/archiver-bench.sh [BIN_DIR]      (default build/win32/bin; data cached in $BENCH_DATA)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/win32/bin}
data=${BENCH_DATA:-/tmp/fennoro-archiver-bench}
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
for tool in zip 7z; do command -v $tool >/dev/null || { echo "missing: $tool"; exit 1; }; done

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
    local start
    start=$(now_ms)
    for folder in "${folders[@]}"; do
      local name
      name=$(basename "$folder")
      local win="Z:${folder//\//\\}"
      local arc="Z:${out//\//\\}\\$name.$ext"
      ms=$("$root/scripts/wine-run" "$bin/archiver-call.exe" "${call[0]}" "${call[1]}" "${call[2]} \"$arc\" \"$win\" ${call[3]}" | tr -d '\r' | sed -n 's/^milliseconds=//p')
      [ -n "$ms" ] || { echo "${call[0]} failed on $name"; return 1; }
      total=$((total + ms))
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

source "$root/scripts/wine-env.sh"
fennoro_wine_prepare
make_pages
make_text
bench_set pages
bench_set text
