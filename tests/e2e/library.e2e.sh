#!/usr/bin/env bash
# A library kept as people keep it, in one job: volumes below authors and
# series found with the tree search, a book holding what Windows and macOS
# leave behind archived without it and recycled, and pages "1.jpg .. 10.jpg"
# renumbered (Ctrl+Shift+N) and archived.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
library=$work/library
rm -rf "$library"; mkdir -p "$library"
page() { head -c 3000 /dev/urandom > "$1"; }
for volume in 第01巻 第02巻; do
  mkdir -p "$library/作者/シリーズ/$volume"
  for n in 001 002 003; do page "$library/作者/シリーズ/$volume/$n.jpg"; done
done
mkdir -p "$library/作者/短編集" "$library/left" "$library/short"
for n in 01 02; do page "$library/作者/短編集/$n.jpg"; page "$library/left/$n.jpg"; done
printf 'cache' > "$library/left/Thumbs.db"
printf 'fork' > "$library/left/._001.jpg"
for n in $(seq 1 10); do page "$library/short/$n.jpg"; done
rm -rf "$XDG_DATA_HOME/Trash/files/"* "$XDG_DATA_HOME/Trash/info/"*
root=$(e2e_winpath "$library")
e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "AutoFind=1" "RemoveFolder=1" "SilentArchive=1" "FindInTree=1"
e2e_start || e2e_fail "the window did not start"
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish"

# Names with a backslash: compared through the environment, never as awk escapes.
row() { ROW=$1 awk -F'\t' '$2 == ENVIRON["ROW"]' <<<"$(e2e_rows)"; }
expect() {   # name, checked, result prefix
  local line; line=$(row "$1")
  [ -n "$line" ] || e2e_fail "no row for $1: $(e2e_rows)"
  [ "$(cut -f1 <<<"$line")" = "$2" ] || e2e_fail "$1: $line"
  [[ "$(cut -f3 <<<"$line")" == "$3"* ]] || e2e_fail "$1: $line"
}
expect '作者\シリーズ\第01巻' 1 "+圧縮できます"
expect '作者\シリーズ\第02巻' 1 "+圧縮できます"
expect '作者\短編集' 1 "+圧縮できます"
expect left 1 "+圧縮できます"
expect short 0 "ファイルは連番形式ではありません"
[ "$(e2e_rows | grep -c .)" -eq 5 ] || e2e_fail "rows for folders of books: $(e2e_rows)"

# The renumbering row: selected from the top by keys, then the command.
index=$(e2e_rows | awk -F'\t' '$2 == "short" { print NR - 1 }')
e2e_key Home
for _ in $(seq "$index"); do e2e_key Down; done
sleep 0.3
e2e_key ctrl+shift+n
deadline=$((SECONDS + 30))
until [[ "$(row short | cut -f3)" == "+圧縮できます"* ]]; do
  [ $SECONDS -lt $deadline ] || e2e_fail "short was not renumbered: $(row short)"
  sleep 0.5
done
[ -f "$library/short/01.jpg" ] && [ -f "$library/short/10.jpg" ] && [ ! -e "$library/short/1.jpg" ] \
  || e2e_fail "the pages were not renamed: $(ls "$library/short")"
iconv -f UTF-8 -t UTF-8 "$work/run/fennoro-log.csv" | grep -q '1.jpg → 01.jpg' \
  || e2e_fail "the record lacks the renames: $(cat "$work/run/fennoro-log.csv" 2>/dev/null)"

e2e_key F8
e2e_wait_status_confirming "圧縮が終了しました" 120 || e2e_fail "the compression did not finish: $(e2e_status)"
for book in 作者/シリーズ/第01巻 作者/シリーズ/第02巻 作者/短編集 left short; do
  unzip -tq "$library/$book.zip" >/dev/null || e2e_fail "$book.zip does not test clean"
  [ ! -e "$library/$book" ] || e2e_fail "$book was not removed"
done
[ -d "$library/作者/シリーズ" ] || e2e_fail "a folder of books went"
[ "$(unzip -Z1 "$library/short.zip" | tr '\n' ' ')" = "01.jpg 02.jpg 03.jpg 04.jpg 05.jpg 06.jpg 07.jpg 08.jpg 09.jpg 10.jpg " ] \
  || e2e_fail "short.zip: $(unzip -Z1 "$library/short.zip")"
[ "$(unzip -Z1 "$library/left.zip" | tr '\n' ' ')" = "01.jpg 02.jpg " ] || e2e_fail "left.zip: $(unzip -Z1 "$library/left.zip")"
ls -a "$XDG_DATA_HOME/Trash/files/left" | grep -qx Thumbs.db || e2e_fail "left went to the bin without its Thumbs.db"
e2e_close
echo "library: ok"
