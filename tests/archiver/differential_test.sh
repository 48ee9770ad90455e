#!/usr/bin/env bash
# Archives of all four formats made by the bundled libraries under Wine, checked
# by readers no one here wrote: every ASCII file-name length from 1 to 250 bytes,
# Japanese names of growing length, names with the trail byte 0x5C (表, ソ, 能,
# 十, 申, 予), empty and tiny files, well-packing text, noise and nested folders.
# Each archive passes its format's own tool and 7z t, and 7z x gives back the
# same bytes (for .lzh, whose CP932 names 7z cannot decode, the same contents;
# lhasa gives back its names too).
#   differential_test.sh PATH/archiver-call.exe     (KEEP=1 keeps the work folder)
set -uo pipefail
source "$(dirname "$0")/archiver-test-lib.sh" "$1" differential-test 7z unzip cabextract lha iconv md5sum

# The tree (UTF-8 names here; the libraries see them through the wide API).
src=$work/src
mkdir -p "$src/表" "$src/ソ/能/十" "$src/申/予表" "$src/deep/a/b/c/d/e/f/g"
fill="Ab c!#\$%&'()+,-.;=@[]^_\`{}~xyzXYZ0123456789"
while [ ${#fill} -lt 260 ]; do fill+=$fill; done
for length in $(seq 1 250); do
  name="${length}_${fill}"
  name="${name:0:length-1}z"                        # never ends in a space or a dot
  [ "$length" = 1 ] && name=z
  case $((length % 7)) in
    0) seq 1 $((length * 40)) > "$src/$name" ;;     # 217 bytes: an LZH header of 256 + 1
    3) : > "$src/$name" ;;
    *) printf '%d\n' "$length" > "$src/$name" ;;
  esac
done
kanji="表ソ能十申予紙画像頁漢字かなカナ"
for length in $(seq 1 80); do
  name=""
  for ((i = 0; i < length; i++)); do name+=${kanji:i % ${#kanji}:1}; done
  if [ $((length % 5)) = 0 ]; then : > "$src/表/$name"; else printf '%s\n' "$name" > "$src/表/$name"; fi
done
printf 'x' > "$src/ソ/能/十/表.txt"
printf '%s\n' 予 > "$src/申/予表/ソ"
: > "$src/申/予表/十"
seq 1 300000 > "$src/deep/a/b/c/d/e/f/g/数字.txt"
head -c 300000 /dev/urandom > "$src/deep/a/b/noise.bin"
# Pages: tables that pack, then coded data that does not; stored in .zip and .7z.
mkdir -p "$src/pages"
for p in 1 2 3; do { seq 1 $((p * 400)); head -c $((p * 90000)) /dev/urandom; } > "$src/pages/p$p.jpg"; done
file_count=$(find "$src" -type f | wc -l)

# "hash  path" for every file below a folder, sorted bytewise; with a second
# argument the paths are given in code page 932, with "hashes" the hashes only.
digests() {   # folder [cp932|hashes]
  (cd "$1" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum -z) | tr '\0' '\n' |
    case ${2:-} in
      cp932) iconv -f UTF-8 -t CP932 ;;
      hashes) cut -c1-32 | LC_ALL=C sort ;;
      *) cat ;;
    esac | LC_ALL=C sort
}
expected=$(digests "$src")
expected_cp932=$(digests "$src" cp932)
expected_hashes=$(digests "$src" hashes)

# 7z t, then 7z x gives back the tree. 7z reads an .lzh's CP932 names as
# another code page and splits them at trail bytes 0x5C, so there its files
# are taken out to one stream in archive order and cut by the listed sizes.
check_with_7z() {   # archive format
  local archive=$1 format=$2 out=$work/7z-$2
  7z t "$archive" >"$work/7z-t.log" 2>&1 || { fail "$format: 7z t"; tail -5 "$work/7z-t.log"; }
  if [ "$format" = lzh ]; then
    7z x -so "$archive" >"$out" 2>/dev/null || fail "$format: 7z x"
    local offset=0 size
    : >"$work/7z-hashes"
    for size in $(7z l -slt "$archive" | awk '/^Folder = /{folder = $3} /^Size = / && folder == "-" {print $3}'); do
      dd if="$out" iflag=skip_bytes,count_bytes skip=$offset count=$size bs=1M status=none | md5sum | cut -c1-32 >>"$work/7z-hashes"
      offset=$((offset + size))
    done
    [ "$offset" = "$(stat -c %s "$out")" ] || fail "$format: 7z x gives $(stat -c %s "$out") bytes, listed $offset"
    [ "$(LC_ALL=C sort "$work/7z-hashes")" = "$expected_hashes" ] || fail "$format: 7z x gives other contents"
  else
    7z x -y -o"$out" "$archive" >/dev/null 2>&1 || fail "$format: 7z x"
    diff <(echo "$expected") <(digests "$out") | head -5
    [ "${PIPESTATUS[0]}" = 0 ] || fail "$format: 7z x gives another tree"
  fi
  rm -rf "$out"
}

for format in zip 7z lzh cab; do
  archive=$work/sweep.$format
  case $format in
    zip|7z) out=$(run 7-zip32.DLL SevenZip "a -r -hide -t$format \"$(win "$archive")\" \"$(win "$src")\\\" *") ;;
    lzh) out=$(run UNLHA32.DLL Unlha "a -d1 -n \"$(win "$archive")\" \"$(win "$src")\\\" *.*") ;;
    cab) out=$(run CAB32.DLL Cab "-a -r -i \"$(win "$archive")\" \"$(win "$src")\\\" *.*") ;;
  esac
  result=$?
  [ $result = 0 ] && grep -q "^$file_count 個のファイル" <<<"$out" || { fail "$format: result $result: $out"; continue; }
  case $format in
    zip)
      unzip -tq "$archive" >/dev/null || fail "zip: unzip -t"
      [ "$(unzip -Z "$archive" | grep -c ' stor .* pages/p[123].jpg$')" = 3 ] || fail "zip: the pages are not stored"
      ;;
    7z)
      [ "$(7z l -slt "$archive" | awk '/^Path = pages\/p[123].jpg$/ {page = 1} page && /^Method = / {print $3; page = 0}' | grep -cx Copy)" = 3 ] ||
        fail "7z: the pages are not copied"
      ;;
    lzh)
      lha t "$archive" >/dev/null || fail "lzh: lha t"
      mkdir "$work/lhasa" && (cd "$work/lhasa" && lha xq "$archive") || fail "lzh: lha x"
      [ "$(digests "$work/lhasa")" = "$expected_cp932" ] || fail "lzh: lhasa gives another tree"
      ;;
    cab) cabextract -t -q "$archive" >/dev/null || fail "cab: cabextract -t" ;;
  esac
  check_with_7z "$archive" $format
done

echo "differential ($file_count files): $failures failure(s)"
[ $failures = 0 ]
