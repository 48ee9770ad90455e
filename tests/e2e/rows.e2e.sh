#!/usr/bin/env bash
# The user's checks hold. A row the find judged "書庫が既に存在します", checked by
# another format and unchecked by the user, stays unchecked through a change of
# format and back. A row checked while a job runs is not the job's: it is neither
# archived nor recycled, and the summary says it waits for the next F8.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
library=$work/library
rm -rf "$library"; mkdir -p "$library"
for book in book first late; do
  mkdir -p "$library/$book"
  for n in 01 02; do printf '%s page %s' "$book" "$n" > "$library/$book/$n.jpg"; done
done
printf 'an earlier archive' > "$library/book.zip"
rm -rf "$XDG_DATA_HOME/Trash/files/"* "$XDG_DATA_HOME/Trash/info/"*
root=$(e2e_winpath "$library")
# Both formats through the scripted library, which takes its time over each folder.
profile='fixture_progress.dll,Fixture,"a $Q ""$A"" ""$D""",-q'
e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "AutoFind=1" "RemoveFolder=1" "SilentArchive=1" \
  "ArchiveExtensionIndex=0" "[Archive]" ".zip=$profile" ".7z=$profile"
cp "$E2E_BIN/fixture_progress.dll" "$E2E_RUN_DIR/"
export FENNORO_FIXTURE_SLEEP=6000
e2e_start || e2e_fail "the window did not start"
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish"
e2e_expect_row book 0 "書庫が既に存在します" "book.zip"

# The format through the menu: オプション → 圧縮形式 → its first (.zip) or second (.7z) item.
format() {
  e2e_key alt+o
  sleep 0.3
  e2e_key h
  sleep 0.3
  [ "$1" = .7z ] && { e2e_key Down; sleep 0.2; }
  e2e_key Return
  sleep 0.5
}
# Focuses the named row, as Home and the arrow keys do, and toggles its check with Space.
toggle() {
  local index
  index=$(e2e_rows | awk -F'\t' -v n="$1" '$2 == n { print NR - 1 }')
  [ -n "$index" ] || e2e_fail "no row $1"
  e2e_key Home
  for _ in $(seq "$index"); do e2e_key Down; done
  sleep 0.2
  e2e_key space
  sleep 0.5
}

format .7z
e2e_expect_row book 1 "+圧縮できます"
toggle book
e2e_expect_row book 0 "+圧縮できます"
format .zip
e2e_expect_row book 0 "書庫が既に存在します" "book.zip"
format .7z
e2e_expect_row book 0 "+圧縮できます"
format .zip
e2e_expect_row book 0 "書庫が既に存在します"

# F8 over "first" alone: "late" is unchecked now and checked while the job runs.
toggle late
e2e_expect_row late 0 "+圧縮できます"
e2e_key F8
deadline=$((SECONDS + 60))
until e2e_probe wait-status "圧縮中: first" 0.3; do
  [ $SECONDS -lt $deadline ] || e2e_fail "the compression did not start: $(e2e_status)"
  if e2e_probe dialog >/dev/null; then sleep 0.3; e2e_key Return; sleep 0.3; fi
done
toggle late
[ "$(e2e_status)" = "圧縮中: first" ] || e2e_fail "the job ended before late was checked: $(e2e_status)"
e2e_wait_status_confirming "圧縮が終了しました" 120 || e2e_fail "the compression did not finish: $(e2e_status)"

e2e_expect_row first 0 "*圧縮しました" "first.zip"
[ ! -e "$library/first" ] || e2e_fail "first was not recycled"
e2e_expect_row late 1 "+圧縮できます"
[ -f "$library/late/01.jpg" ] && [ ! -e "$library/late.zip" ] || e2e_fail "late was archived"
ls "$XDG_DATA_HOME/Trash/files/" | grep -qx late && e2e_fail "late is in the recycle bin"
[ "$(cat "$library/book.zip")" = "an earlier archive" ] && [ -d "$library/book" ] || e2e_fail "book was touched"
e2e_close
echo "rows: ok"
