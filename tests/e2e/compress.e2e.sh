#!/usr/bin/env bash
# F8 with the bundled 7-zip32.DLL and removal on: real archives beside the
# folders, the folders in the recycle bin; a failure stays checked and the
# second F8 retries only it.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
library=$work/library
rm -rf "$library"; mkdir -p "$library"
for book in "表紙の本" "ソフト" plain blocked; do
  mkdir -p "$library/$book"
  for n in 001 002 003; do head -c 20000 /dev/urandom > "$library/$book/$n.jpg"; done
done
rm -rf "$XDG_DATA_HOME/Trash/files/"* "$XDG_DATA_HOME/Trash/info/"*
root=$(e2e_winpath "$library")
e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "AutoFind=1" "RemoveFolder=1" "SilentArchive=1"
e2e_start || e2e_fail "the window did not start"
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish"
# An archive that appears after the find: that folder must fail and keep its check box.
printf 'not mine' > "$library/blocked.zip"
e2e_key F8
e2e_wait_status_confirming "圧縮が終了しました" 120 || e2e_fail "the compression did not finish: $(e2e_status)"

for book in "表紙の本" "ソフト" plain; do
  e2e_expect_row "$book" 0 "*圧縮しました" "$book.zip"
  unzip -tq "$library/$book.zip" >/dev/null || e2e_fail "$book.zip does not test clean"
  [ "$(unzip -Z1 "$library/$book.zip" | grep -c '\.jpg$')" -eq 3 ] || e2e_fail "$book.zip lacks files"
  [ ! -e "$library/$book" ] || e2e_fail "$book was not removed"
  ls "$XDG_DATA_HOME/Trash/files/" | grep -qx "$book" || e2e_fail "$book is not in the recycle bin"
done
e2e_expect_row blocked 1 "!書庫が既存します" "blocked.zip"
[ "$(cat "$library/blocked.zip")" = "not mine" ] || e2e_fail "an existing archive was touched"
[ -d "$library/blocked" ] || e2e_fail "the failed folder is gone"

# The second F8 retries only the failure.
rm "$library/blocked.zip"
before=$(e2e_rows | grep -v $'^1\tblocked\t')
e2e_key F8
e2e_wait_row_confirming blocked "*" 120 || e2e_fail "the second compression did not retry blocked: $(e2e_rows)"
e2e_wait_status_confirming "圧縮が終了しました" 60 || e2e_fail "the second compression did not finish"
e2e_expect_row blocked 0 "*圧縮しました" "blocked.zip"
unzip -tq "$library/blocked.zip" >/dev/null || e2e_fail "blocked.zip does not test clean"
[ "$(e2e_rows | grep -v $'\tblocked\t')" = "$(grep -v $'\tblocked\t' <<<"$before")" ] || e2e_fail "the retry touched other rows"
e2e_close
echo "compress: ok"
