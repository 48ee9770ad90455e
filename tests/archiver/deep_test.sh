#!/usr/bin/env bash
# Folder trees 600 and 3,000 levels deep, made by the host's shell, archived by
# every bundled library with its sub-folder switch, under a timeout. A call
# either makes an archive that 7z tests with every file in it, or refuses with
# a clear message; it never dies. At 600 levels the paths fit every format but
# the cabinet's 255-byte names.
#   deep_test.sh PATH/archiver-call.exe
set -uo pipefail
source "$(dirname "$0")/archiver-test-lib.sh" "$1" deep-test 7z iconv

# NAME/NAME/..., a file every 100 levels and one at the bottom. Deeper than
# the host's path limit, so made 100 levels at a time from inside.
make_deep() {   # folder levels name
  local hundred
  hundred=$(printf "$3/%.0s" $(seq 100))
  mkdir -p "$1" && (
    cd "$1" || exit 1
    for ((i = 0; i < $2 / 100; i++)); do
      printf '%d\n' "$i" > "f$i.txt" && mkdir -p "$hundred" && cd -P "$hundred" || exit 1
    done
    seq 1 1000 > bottom.txt
  )
}

# 600 levels of "d" fit every format but the cabinet. 3,000 levels of "folder"
# (paths of 21,000 characters) Windows would archive; under Wine the host's
# 4,096-byte path limit refuses them at about 580 levels. (Wine's cost of one
# path grows with the square of its depth, so a walk down to that limit with
# one-letter names would take minutes.)
for levels in 600 3000; do
  tree=$work/deep$levels
  make_deep "$tree" $levels "$([ $levels = 600 ] && echo d || echo folder)" || { fail "cannot make $levels levels"; continue; }
  files=$((levels / 100 + 1))
  for format in zip 7z lzh cab; do
    archive=$work/deep$levels.$format
    case $format in
      zip|7z) call=(7-zip32.DLL SevenZip "a -r -hide -t$format \"$(win "$archive")\" \"$(win "$tree")\\\" *") ;;
      lzh) call=(UNLHA32.DLL Unlha "a -d1 -n \"$(win "$archive")\" \"$(win "$tree")\\\" *.*") ;;
      cab) call=(CAB32.DLL Cab "-a -r -i \"$(win "$archive")\" \"$(win "$tree")\\\" *.*") ;;
    esac
    start=$(date +%s%N)
    out=$(RUN_TIMEOUT=240 run "${call[@]}")
    result=$(sed -n 's/^result=//p' <<<"$out")
    message=$(grep -Ev '^[a-z_]+=' <<<"$out" | head -1 | cut -c1-100)
    echo "$levels levels, .$format: result ${result:-none} in $(( ($(date +%s%N) - start) / 1000000 )) ms: $message"
    case $result in
      0)
        grep -q "^$files 個のファイル" <<<"$message" || fail "$levels .$format: $message"
        7z t "$archive" >"$work/7z.log" 2>&1 || { fail "$levels .$format: 7z t"; tail -3 "$work/7z.log"; }
        grep -q "^Files: $files\$" "$work/7z.log" || fail "$levels .$format: 7z does not count $files files"
        ;;
      3)
        grep -Eq '^(名前が長すぎて|フォルダを読み込めません|ファイルを開けません)' <<<"$message" || fail "$levels .$format: unclear refusal: $message"
        [ ! -e "$archive" ] || fail "$levels .$format: archive left after a refusal"
        ;;
      *) fail "$levels .$format: the call died or failed: $out" ;;
    esac
    if [ "$levels" = 600 ]; then
      expected=0
      [ $format = cab ] && expected=3
      [ "$result" = "$expected" ] || fail "600 .$format: result $result, expected $expected"
    fi
  done
done

echo "deep: $failures failure(s)"
[ $failures = 0 ]
