#!/usr/bin/env bash
# CAB32.DLL and UNLHA32.DLL called under Wine as the program calls them, with
# the default .cab and .lzh command lines, on a generated tree (nested folders,
# Japanese names with a 0x5C trail byte, empty files, text and noise, many
# blocks); the archives are then tested and extracted by Debian's readers
# (cabextract, lhasa) and compared byte for byte and name for name.
#   cab-lha_test.sh PATH/archiver-call.exe
set -uo pipefail
RUN_TIMEOUT=280
source "$(dirname "$0")/archiver-test-lib.sh" "$1" cab-lha-test cabextract lha iconv

# The tree: names as UTF-8 here, code page 932 on the Windows side.
src=$work/表紙
mkdir -p "$src/ソ/能" "$src/空フォルダ" "$src/deep/a/b/c"
for i in $(seq 1 40); do cat "$root/README.md"; done > "$src/001.txt"
: > "$src/空.txt"
head -c 1500000 /dev/urandom > "$src/ソ/能/002.jpg"
seq 1 400000 > "$src/ソ/数字.txt"
printf 'x' > "$src/deep/a/b/c/one"
for i in $(seq -w 1 120); do printf 'page %s\n' "$i" > "$src/deep/p$i.txt"; done
file_count=$(find "$src" -type f | wc -l)


# The default templates as the program fills them: $Q is -i / -n, or empty.
for quiet in 1 0; do
  suffix=$([ $quiet = 1 ] && echo "" || echo "-window")
  cab=$work/表紙$suffix.cab lzh=$work/表紙$suffix.lzh
  q_cab=$([ $quiet = 1 ] && echo "-i" || echo "")
  q_lzh=$([ $quiet = 1 ] && echo "-n" || echo "")
  out=$(run CAB32.DLL Cab "-a -r $q_cab \"$(win "$cab")\" \"$(win "$src")\\\" *.*") || fail "Cab returned $?: $out"
  echo "$out" | grep -q "$file_count 個のファイル" || fail "Cab output: $out"
  out=$(run UNLHA32.DLL Unlha "a -d1 $q_lzh \"$(win "$lzh")\" \"$(win "$src")\\\" *.*") || fail "Unlha returned $?: $out"
  echo "$out" | grep -q "$file_count 個のファイル" || fail "Unlha output: $out"

  # cabextract: test, then extract and compare every file; names come out in UTF-8.
  cabextract -t -q "$cab" >/dev/null || fail "cabextract -t $cab"
  mkdir -p "$work/cab$suffix" && cabextract -q -d "$work/cab$suffix" "$cab" || fail "cabextract $cab"
  diff <(cd "$src" && find . -type f | sort) <(cd "$work/cab$suffix" && find . -type f | sort) | head -5
  [ "${PIPESTATUS[0]}" = 0 ] || fail "cab names"
  (cd "$src" && find . -type f -print0) | while IFS= read -r -d '' f; do
    cmp -s "$src/$f" "$work/cab$suffix/$f" || { echo "FAIL: cab content $f"; exit 1; }
  done || failures=$((failures + 1))

  # lhasa: test, then extract; names come out in code page 932 bytes.
  lha t "$lzh" >/dev/null || fail "lha t $lzh"
  mkdir -p "$work/lzh$suffix" && (cd "$work/lzh$suffix" && lha xq "$lzh") || fail "lha x $lzh"
  [ "$(find "$work/lzh$suffix" -type f | wc -l)" = "$file_count" ] || fail "lzh file count"
  (cd "$src" && find . -print0) | while IFS= read -r -d '' f; do
    g=$(printf '%s' "$f" | iconv -f UTF-8 -t CP932)
    if [ -d "$src/$f" ]; then
      [ -d "$work/lzh$suffix/$g" ] || { echo "FAIL: lzh folder $f"; exit 1; }
    else
      cmp -s "$src/$f" "$work/lzh$suffix/$g" || { echo "FAIL: lzh content $f"; exit 1; }
    fi
  done || failures=$((failures + 1))
  listing=$(lha v "$lzh")
  grep -q -- '-lh5-' <<<"$listing" || fail "no -lh5- entry in $lzh"
  grep -q -- '-lh0-' <<<"$listing" || fail "no -lh0- entry in $lzh"
done

# An existing archive is never touched; nothing but the archives is left beside them.
before=$(md5sum < "$work/表紙.lzh")
out=$(run UNLHA32.DLL Unlha "a -d1 -n \"$(win "$work/表紙.lzh")\" \"$(win "$src")\\\" *.*")
[ $? = 2 ] || fail "Unlha over an existing archive: $out"
[ "$(md5sum < "$work/表紙.lzh")" = "$before" ] || fail "existing .lzh changed"
out=$(run CAB32.DLL Cab "-a -r -i \"$(win "$work/表紙.cab")\" \"$(win "$src")\\\" *.*")
[ $? = 2 ] || fail "Cab over an existing archive: $out"
left=$(cd "$work" && ls -d *.cab *.lzh *.tmp 2>/dev/null | sort | tr '\n' ' ')
[ "$left" = "表紙-window.cab 表紙-window.lzh 表紙.cab 表紙.lzh " ] || fail "files beside the archives: $left"

echo "cab-lha: $failures failure(s)"
[ $failures = 0 ]
