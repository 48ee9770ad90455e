#!/usr/bin/env bash
# F8 with the page check (deep) and removal on reads a folder's pages again
# right before the archiver runs: a page cut between the find and F8 keeps its
# folder, unarchived and in place. A page the find found whole and that is the
# same file with the same size and write time is not read again: given zeros of
# the same length and its old time back, it is archived as it now is, while the
# same zeros with a new time are found.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
library=$work/library
page=$FENNORO_ROOT/pages/tests/samples/progressive.jpg
size=$(stat -c %s "$page")
rm -rf "$library" "$work/out"; mkdir -p "$library"
for book in cut same touched; do
  mkdir -p "$library/$book"
  for n in 01 02 03; do cp "$page" "$library/$book/p$n.jpg"; done
done
rm -rf "$XDG_DATA_HOME/Trash/files/"* "$XDG_DATA_HOME/Trash/info/"*
root=$(e2e_winpath "$library")
e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "AutoFind=1" "RemoveFolder=1" "SilentArchive=1" \
  "VerifyImages=1" "DeepImageCheck=1"
e2e_start || e2e_fail "the window did not start"
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish"
for book in cut same touched; do e2e_expect_row "$book" 1 "+圧縮できます" ""; done

zero_middle() { dd if=/dev/zero of="$1" bs=1 seek=$((size / 2)) count=1024 conv=notrunc status=none; }
truncate -s $((size / 2)) "$library/cut/p02.jpg"
cp -p "$library/same/p02.jpg" "$work/time"
zero_middle "$library/same/p02.jpg"
touch -r "$work/time" "$library/same/p02.jpg"
cp "$library/same/p02.jpg" "$work/same-p02.jpg"
zero_middle "$library/touched/p02.jpg"
touch -d '+1 minute' "$library/touched/p02.jpg"

e2e_key F8
e2e_wait_status_confirming "圧縮が終了しました" 120 || e2e_fail "the compression did not finish: $(e2e_status)"
for book in cut touched; do
  e2e_expect_row "$book" 1 "!破損した画像があります"
  remark=$(e2e_rows | awk -F'\t' -v n="$book" '$2 == n { print $4 }')
  [[ "$remark" == "p02.jpg "* ]] || e2e_fail "$book: remark '$remark' does not name p02.jpg"
  [ ! -e "$library/$book.zip" ] || e2e_fail "$book.zip was made"
  [ -f "$library/$book/p01.jpg" ] || e2e_fail "$book was removed"
  ! ls "$XDG_DATA_HOME/Trash/files/" | grep -qx "$book" || e2e_fail "$book is in the recycle bin"
done

e2e_expect_row same 0 "*圧縮しました" "same.zip"
[ ! -e "$library/same" ] || e2e_fail "same was not removed"
7z t "$library/same.zip" >/dev/null || e2e_fail "same.zip does not test clean with 7z"
unzip -tq "$library/same.zip" >/dev/null || e2e_fail "same.zip does not test clean with unzip"
mkdir -p "$work/out" && (cd "$work/out" && unzip -q "$library/same.zip") || e2e_fail "same.zip does not extract"
[ "$(find "$work/out" -name '*.jpg' | wc -l)" -eq 3 ] || e2e_fail "same.zip lacks pages"
cmp -s "$(find "$work/out" -name p02.jpg)" "$work/same-p02.jpg" || e2e_fail "same.zip holds another p02.jpg"
cmp -s "$(find "$work/out" -name p01.jpg)" "$page" || e2e_fail "same.zip holds another p01.jpg"
e2e_close
echo "recheck: ok"
