#!/usr/bin/env bash
# The Unicode mode of the three libraries: a UTF-8 command line naming a tree
# whose names the ANSI code page cannot hold (U+301C, é, a surrogate pair,
# Hangul, U+2212) is archived in every format; 7z lists the exact names, 7z and
# the format's own tool extract the same bytes under the same names; the .zip
# marks its UTF-8 names (bit 11); GetFileCount takes a UTF-8 path; the output
# and a refusal come back in UTF-8.
#   unicode_test.sh PATH/archiver-call.exe
set -uo pipefail
RUN_TIMEOUT=120
source "$(dirname "$0")/archiver-test-lib.sh" "$1" unicode-test 7z unzip lha cabextract python3
export LC_ALL=C.UTF-8   # the host's readers decode names in UTF-8

src=$work/𠮷野家の本
mkdir -p "$src/日本の城〜天守閣編" "$src/Pokémon" "$src/한국어"
printf 'castle\n' > "$src/日本の城〜天守閣編/01.txt"
seq 1 20000 > "$src/Pokémon/𠮷野家.txt"
printf 'minus\n' > "$src/한국어/−1.txt"
printf 'plain\n' > "$src/plain.txt"
expected=$(cd "$src" && find . -mindepth 1 -type f | sed 's|^\./||' | LC_ALL=C sort)
files=$(echo "$expected" | wc -l)

urun() {   # dll function utf-8-command-line: the library's answer as it comes (UTF-8)
  FENNORO_TIMEOUT=$RUN_TIMEOUT "$root/scripts/wine-run" "$bin/archiver-call.exe" -u "$1" "$2" "$3" 2>/dev/null | tr -d '\r'
  return "${PIPESTATUS[0]}"
}
call() {   # format archive
  case $1 in
    zip|7z) urun 7-zip32.DLL SevenZip "a -r -hide -t$1 \"$(win "$2")\" \"$(win "$src")\\\" *" ;;
    lzh) urun UNLHA32.DLL Unlha "a -d1 -n \"$(win "$2")\" \"$(win "$src")\\\" *.*" ;;
    cab) urun CAB32.DLL Cab "-a -r -i \"$(win "$2")\" \"$(win "$src")\\\" *.*" ;;
  esac
}
dll_of() { case $1 in zip|7z) echo "7-zip32.DLL SevenZip" ;; lzh) echo "UNLHA32.DLL Unlha" ;; cab) echo "CAB32.DLL Cab" ;; esac; }

for format in zip 7z lzh cab; do
  archive=$work/日本の城〜$format.$format
  out=$(call $format "$archive") || { fail "$format: result $?: $out"; continue; }
  grep -qF "$files 個のファイルを $(win "$archive") に格納しました" <<<"$out" || fail "$format: output not in UTF-8: $out"
  listed=$(7z l -slt "$archive" | sed -n 's/^Path = //p' | tail -n +2 | while read -r p; do
    [ -d "$src/$p" ] || echo "$p"; done | LC_ALL=C sort)
  [ "$listed" = "$expected" ] || fail "$format: 7z lists other names: $listed"
  mkdir "$work/7z-$format" && 7z x -y -o"$work/7z-$format" "$archive" >/dev/null || fail "$format: 7z x"
  diff -r "$src" "$work/7z-$format" >/dev/null || fail "$format: 7z x gives another tree"
  mkdir "$work/tool-$format"
  case $format in
    zip) (cd "$work/tool-$format" && unzip -q "$archive") || fail "zip: unzip" ;;
    lzh) (cd "$work/tool-$format" && lha xq "$archive") || fail "lzh: lha x" ;;
    cab) cabextract -q -d "$work/tool-$format" "$archive" || fail "cab: cabextract" ;;
    7z) cp -r "$work/7z-$format/." "$work/tool-$format" ;;
  esac
  diff -r "$src" "$work/tool-$format" >/dev/null || fail "$format: its own tool gives another tree"
  read -r dll function <<<"$(dll_of $format)"
  count=$(urun "$dll" "${function}GetFileCount" "$(win "$archive")")
  [ "$count" = "count=$files" ] || fail "$format: GetFileCount with a UTF-8 path: $count"
  # A refusal names the archive in UTF-8 too.
  out=$(call $format "$archive")
  [ $? = 2 ] && grep -qF "書庫が既に存在します: $(win "$archive")" <<<"$out" || fail "$format: refusal: $out"
done

python3 - "$work/日本の城〜zip.zip" <<'PY' || fail "zip: a non-ASCII name without the UTF-8 flag"
import sys, zipfile
for info in zipfile.ZipFile(sys.argv[1]).infolist():
    if not info.filename.isascii() and not info.flag_bits & 0x800:
        sys.exit(info.filename)
PY

left=$(ls "$work" | grep -c '\.tmp$')
[ "$left" = 0 ] || fail "temporary files left: $(ls "$work")"
echo "unicode: $failures failure(s)"
[ $failures = 0 ]
