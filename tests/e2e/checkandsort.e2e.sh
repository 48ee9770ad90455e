#!/usr/bin/env bash
# The check box decides: a fit row unchecked with Space stays out of F8 and out of
# the recycle bin. Sorting by a column while the compression runs moves rows under
# the job, and every row still gets its own outcome.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
library=$work/library
rm -rf "$library"; mkdir -p "$library"
books=(alpha "表紙" gamma "ソフト" epsilon zeta)
for book in "${books[@]}"; do
  mkdir -p "$library/$book"
  for n in 01 02 03; do
    { printf '%s page %s\n' "$book" "$n"; head -c 400000 /dev/urandom; } > "$library/$book/$n.jpg"
  done
done
rm -rf "$XDG_DATA_HOME/Trash/files/"* "$XDG_DATA_HOME/Trash/info/"*
root=$(e2e_winpath "$library")
e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "AutoFind=1" "RemoveFolder=1" "SilentArchive=1"
e2e_start || e2e_fail "the window did not start"
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish"
[ "$(e2e_rows | grep -c $'^1\t.*\t+圧縮できます')" -eq ${#books[@]} ] || e2e_fail "not every book is fit: $(e2e_rows)"

# The search leaves the focus in the list: Home focuses the first row, Space unchecks it.
e2e_key Home
sleep 0.3
e2e_key space
sleep 0.5
kept=$(e2e_rows | head -1 | cut -f2)
e2e_expect_row "$kept" 0 "+圧縮できます"

# F8, then a header click now and then while the job runs (after each of the
# shell's questions, which are confirmed as a user would).
e2e_key F8
columns=(120 330 500)
clicks=0
deadline=$((SECONDS + 180))
until e2e_probe wait-status "圧縮が終了しました" 0.3; do
  [ $SECONDS -lt $deadline ] || e2e_fail "the compression did not finish: $(e2e_status)"
  if e2e_probe dialog >/dev/null; then
    sleep 0.3
    e2e_key Return
    sleep 0.2
  fi
  xdotool mousemove --window "$E2E_XWINDOW" "${columns[$((clicks % 3))]}" 76 click 1
  clicks=$((clicks + 1))
done
[ $clicks -gt 0 ] || e2e_fail "no header was clicked while the job ran"

for book in "${books[@]}"; do
  if [ "$book" = "$kept" ]; then
    e2e_expect_row "$book" 0 "+圧縮できます"
    [ -f "$library/$book/02.jpg" ] || e2e_fail "the unchecked $book lost its files"
    [ ! -e "$library/$book.zip" ] || e2e_fail "the unchecked $book was archived"
    continue
  fi
  e2e_expect_row "$book" 0 "*圧縮しました" "$book.zip"
  [ ! -e "$library/$book" ] || e2e_fail "$book was not removed"
  # Its own pages, not another row's.
  [ "$(unzip -p "$library/$book.zip" 02.jpg | head -1)" = "$book page 02" ] || e2e_fail "$book.zip holds other pages"
  7z t "$library/$book.zip" >/dev/null || e2e_fail "$book.zip does not test clean"
done
ls "$XDG_DATA_HOME/Trash/files/" | grep -qx "$kept" && e2e_fail "the unchecked $kept is in the recycle bin"
e2e_close
echo "checkandsort: ok ($clicks header clicks)"
