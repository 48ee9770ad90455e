#!/usr/bin/env bash
# F8 with the page check (deep) and removal on reads a folder's pages again
# right before the archiver runs: a page cut between the find and F8 keeps its
# folder, unarchived and in place. A page changed with its size and write time
# put back (`touch -r`) is read again too, whether written over in place or
# deleted and written anew (ext4 gives the new file the old one's index): the
# change time shows it. An unchanged book is archived and recycled.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
library=$work/library
page=$FENNORO_ROOT/pages/tests/samples/progressive.jpg
size=$(stat -c %s "$page")
rm -rf "$library" "$work/out"; mkdir -p "$library"
for book in cut same anew touched kept; do
  mkdir -p "$library/$book"
  # A byte after the image's end keeps each page's bytes its own.
  for n in 01 02 03; do { cat "$page"; printf '%s' "$n"; } > "$library/$book/p$n.jpg"; done
done
rm -rf "$XDG_DATA_HOME/Trash/files/"* "$XDG_DATA_HOME/Trash/info/"*
root=$(e2e_winpath "$library")
e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "AutoFind=1" "RemoveFolder=1" "SilentArchive=1" \
  "VerifyImages=1" "DeepImageCheck=1"
e2e_start || e2e_fail "the window did not start"
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish"
for book in cut same anew touched kept; do e2e_expect_row "$book" 1 "+圧縮できます" ""; done

zero_middle() { dd if=/dev/zero of="$1" bs=1 seek=$((size / 2)) count=1024 conv=notrunc status=none; }
truncate -s $((size / 2)) "$library/cut/p02.jpg"
cp -p "$library/same/p02.jpg" "$work/time"
zero_middle "$library/same/p02.jpg"
touch -r "$work/time" "$library/same/p02.jpg"
cp "$library/anew/p02.jpg" "$work/anew-p02.jpg"
zero_middle "$work/anew-p02.jpg"
inode=$(stat -c %i "$library/anew/p02.jpg")
rm "$library/anew/p02.jpg"
cat "$work/anew-p02.jpg" > "$library/anew/p02.jpg"
touch -r "$work/time" "$library/anew/p02.jpg"
[ "$(stat -c %i "$library/anew/p02.jpg")" = "$inode" ] || echo "recheck: note: the page written anew got another index"
zero_middle "$library/touched/p02.jpg"
touch -d '+1 minute' "$library/touched/p02.jpg"

e2e_key F8
e2e_wait_status_confirming "圧縮が終了しました" 120 || e2e_fail "the compression did not finish: $(e2e_status)"
for book in cut same anew touched; do
  e2e_expect_row "$book" 1 "!破損した画像があります"
  remark=$(e2e_rows | awk -F'\t' -v n="$book" '$2 == n { print $4 }')
  [[ "$remark" == "p02.jpg "* ]] || e2e_fail "$book: remark '$remark' does not name p02.jpg"
  [ ! -e "$library/$book.zip" ] || e2e_fail "$book.zip was made"
  [ -f "$library/$book/p01.jpg" ] || e2e_fail "$book was removed"
  ! ls "$XDG_DATA_HOME/Trash/files/" | grep -qx "$book" || e2e_fail "$book is in the recycle bin"
done

e2e_expect_row kept 0 "*圧縮しました" "kept.zip"
[ ! -e "$library/kept" ] || e2e_fail "kept was not removed"
7z t "$library/kept.zip" >/dev/null || e2e_fail "kept.zip does not test clean with 7z"
unzip -tq "$library/kept.zip" >/dev/null || e2e_fail "kept.zip does not test clean with unzip"
mkdir -p "$work/out" && (cd "$work/out" && unzip -q "$library/kept.zip") || e2e_fail "kept.zip does not extract"
[ "$(find "$work/out" -name '*.jpg' | wc -l)" -eq 3 ] || e2e_fail "kept.zip lacks pages"
cmp -s "$(find "$work/out" -name p02.jpg)" <(cat "$page"; printf 02) || e2e_fail "kept.zip holds another p02.jpg"
e2e_close
echo "recheck: ok"
