#!/usr/bin/env bash
# Entries Win32 would rewrite or cannot read, made on the host, in every format:
# - names a plain path rewrites: "02.jpg" beside "02.jpg." and "02.jpg " (other
#   bytes each), device names with content (nul.jpg, aux.txt, CON), a folder
#   "sub." beside "sub", and a base folder whose own name ends in a dot. Each
#   entry is stored under its exact name with its own bytes, as 7z x and the
#   format's tool give them back;
# - a FIFO that a writer holds open, so that a read of it would wait for ever:
#   the call refuses it at once, names it and leaves nothing behind.
#   odd-entries_test.sh PATH/archiver-call.exe
set -uo pipefail
RUN_TIMEOUT=60
source "$(dirname "$0")/archiver-test-lib.sh" "$1" odd-entries-test 7z cabextract lha md5sum

src=$work/pages.
mkdir -p "$src/sub" "$src/sub."
printf 'plain' > "$src/02.jpg"
printf 'with a dot' > "$src/02.jpg."
printf 'with a blank' > "$src/02.jpg "
printf 'not the null device' > "$src/nul.jpg"
printf 'not the aux device' > "$src/aux.txt"
printf 'not the console' > "$src/CON"
printf 'in sub' > "$src/sub/a.txt"
printf 'in sub-dot' > "$src/sub./a.txt"

digests() {   # folder: "hash  path" of every file, sorted
  (cd "$1" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) | LC_ALL=C sort
}
expected=$(digests "$src")

command_line() {   # format archive folder
  case $1 in
    zip|7z) echo "a -r -hide -t$1 \"$(win "$2")\" \"$(win "$3")\\\" *" ;;
    lzh) echo "a -d1 -n \"$(win "$2")\" \"$(win "$3")\\\" *.*" ;;
    cab) echo "-a -r -i \"$(win "$2")\" \"$(win "$3")\\\" *.*" ;;
  esac
}
call() {   # format archive folder
  case $1 in
    zip|7z) run 7-zip32.DLL SevenZip "$(command_line "$@")" ;;
    lzh) run UNLHA32.DLL Unlha "$(command_line "$@")" ;;
    cab) run CAB32.DLL Cab "$(command_line "$@")" ;;
  esac
}

for format in zip 7z lzh cab; do
  archive=$work/names.$format
  out=$(call $format "$archive" "$src") || { fail "$format: result $?: $out"; continue; }
  7z t "$archive" >/dev/null 2>&1 || fail "$format: 7z t"
  mkdir "$work/7z-$format" && 7z x -y -o"$work/7z-$format" "$archive" >/dev/null 2>&1 || fail "$format: 7z x"
  diff <(echo "$expected") <(digests "$work/7z-$format") | head -8
  [ "${PIPESTATUS[0]}" = 0 ] || fail "$format: 7z x gives other names or bytes"
  mkdir "$work/tool-$format"
  case $format in
    lzh) (cd "$work/tool-$format" && lha xq "$archive") || fail "lzh: lha x" ;;
    cab) cabextract -q -d "$work/tool-$format" "$archive" || fail "cab: cabextract" ;;
    *) rmdir "$work/tool-$format" ;;
  esac
  if [ -d "$work/tool-$format" ]; then
    [ "$(digests "$work/tool-$format")" = "$expected" ] || fail "$format: its own tool gives other names or bytes"
  fi
done

# The FIFO, held open by a writer here: reading it would wait for ever.
fifo_src=$work/fifo
mkdir "$fifo_src"
printf 'page' > "$fifo_src/01.jpg"
mkfifo "$fifo_src/02.jpg"
exec 3<>"$fifo_src/02.jpg"
for format in zip 7z lzh cab; do
  started=$SECONDS
  out=$(call $format "$work/fifo.$format" "$fifo_src")
  result=$?
  [ $result = 3 ] || fail "$format with a FIFO: result $result: $out"
  grep -q '02\.jpg' <<<"$out" || fail "$format with a FIFO: the output does not name it: $out"
  [ $((SECONDS - started)) -lt 30 ] || fail "$format with a FIFO: took $((SECONDS - started)) s"
  [ "$(ls "$work" | grep -c '^fifo\.\|\.tmp$')" = 0 ] || fail "$format with a FIFO left: $(ls "$work")"
done
exec 3>&-

echo "odd-entries: $failures failure(s)"
[ $failures = 0 ]
