#!/usr/bin/env bash
# 7-zip32.DLL through the default ".zip" and ".7z" command lines under Wine, on a
# generated tree with Japanese names (trail byte 0x5C: 表, ソ, 能, 十, 申, 予),
# nested and empty folders, empty, small and multi-chunk files, text that packs and
# noise that does not; the archives are then tested and extracted by Debian's
# unzip and 7z and compared byte for byte.
#   sevenzip_test.sh PATH/TO/archiver-call.exe
set -uo pipefail
call_exe=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d /tmp/sevenzip-test-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
passed=0
failed=0
check() {   # description, command...
  local what=$1; shift
  if "$@" >"$scratch/last.log" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
    sed 's/^/    /' "$scratch/last.log" | head -20
  fi
}
winpath() { echo "Z:${1//\//\\}"; }
archive() {   # command line; prints the library's output, returns its result
  "$root/scripts/wine-run" "$call_exe" 7-zip32.DLL SevenZip "$1" | iconv -f CP932 -t UTF-8
  return "${PIPESTATUS[0]}"
}

tree=$scratch/表紙
mkdir -p "$tree/ソース/能力/十字" "$tree/申請 書類" "$tree/予定/空のフォルダ"
: > "$tree/空.txt"
printf 'page one\n' > "$tree/001.txt"
seq 1 600000 > "$tree/ソース/能力/十字/長い.txt"            # about 4 MB of text: several chunks
head -c 2500000 /dev/urandom > "$tree/ソース/乱数.bin"      # stored: deflate does not pay
head -c 1048576 /dev/urandom > "$tree/申請 書類/exact 1MiB.bin"
printf 'hidden\n' > "$tree/予定/.hidden"
if command -v convert >/dev/null; then
  convert -size 300x400 xc: +noise Random -quality 85 "$tree/予定/page.jpg"
fi
tree_win=$(winpath "$tree")\\

for fmt in zip 7z; do
  out=$scratch/表紙.$fmt
  check "$fmt: archive made" archive "a -r -hide -t$fmt \"$(winpath "$out")\" \"$tree_win\" *"
  check "$fmt: 7z t" 7z t "$out"
  check "$fmt: 7z x" 7z x -y -o"$scratch/x-$fmt" "$out"
  check "$fmt: extracted tree equals the source" diff -r "$tree" "$scratch/x-$fmt"
done
check "zip: unzip -t" unzip -t "$scratch/表紙.zip"
check "zip: unzip extracts the same tree" bash -c "mkdir '$scratch/u' && cd '$scratch/u' && unzip -q '$scratch/表紙.zip' && diff -r '$tree' '$scratch/u'"
check "zip: UTF-8 names, no wrapper folder" bash -c "unzip -Z1 '$scratch/表紙.zip' | grep -qx 'ソース/能力/十字/長い.txt'"
check "7z: names in UTF-16 read back" bash -c "7z l -slt '$scratch/表紙.7z' | grep -qx 'Path = ソース/能力/十字/長い.txt'"
check "7z: text packed with LZMA" bash -c "7z l -slt '$scratch/表紙.7z' | grep -A12 -x 'Path = ソース/能力/十字/長い.txt' | grep -q '^Method = LZMA:'"
check "7z: noise kept on Copy" bash -c "7z l -slt '$scratch/表紙.7z' | grep -A12 -x 'Path = ソース/乱数.bin' | grep -qx 'Method = Copy'"
check "7z: empty folder kept" bash -c "7z l -slt '$scratch/表紙.7z' | grep -A4 -x 'Path = 予定/空のフォルダ' | grep -q 'Attributes = D'"

# The quiet option off (progress window) and the hardest and the storing level.
check "zip without -hide" archive "a -r -tzip \"$(winpath "$scratch/loud.zip")\" \"$tree_win\" *"
check "zip without -hide: unzip -t" unzip -t "$scratch/loud.zip"
check "7z -mx0" archive "a -r -hide -mx0 -t7z \"$(winpath "$scratch/store.7z")\" \"$tree_win\" *"
check "7z -mx0: 7z t" 7z t "$scratch/store.7z"
check "7z -mx0: only Copy" bash -c "! 7z l -slt '$scratch/store.7z' | grep -q '^Method = LZMA'"
for level in 1 9; do
  check "7z -mx$level" archive "a -r -hide -mx$level -t7z \"$(winpath "$scratch/mx$level.7z")\" \"$tree_win\" *"
  check "7z -mx$level: 7z x" 7z x -y -o"$scratch/x-mx$level" "$scratch/mx$level.7z"
  check "7z -mx$level: extracted tree equals the source" diff -r "$tree" "$scratch/x-mx$level"
done
check "zip -mx9" archive "a -r -hide -mx9 -tzip \"$(winpath "$scratch/max.zip")\" \"$tree_win\" *"
check "zip -mx9: unzip -t" unzip -t "$scratch/max.zip"

# An existing archive is left as it is.
cp "$scratch/表紙.zip" "$scratch/before.zip"
archive "a -r -hide -tzip \"$(winpath "$scratch/表紙.zip")\" \"$tree_win\" *" > "$scratch/exists.log"
check "existing archive: result 2" test $? -eq 2
check "existing archive: message" grep -q '書庫が既に存在します' "$scratch/exists.log"
check "existing archive: unchanged" cmp "$scratch/表紙.zip" "$scratch/before.zip"

check "no temporary files left" bash -c "! ls '$scratch' | grep -q '^~fennoro-unfinished-'"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
