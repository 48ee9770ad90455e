#!/usr/bin/env bash
# The recycle bin or nothing: a book whose name the trash already holds (a
# leftover there without its record) cannot go to the bin, so it stays where it
# is, though the user said yes to the job's one question; its row and the
# record say so. The other book goes to the bin as usual. A user's file named
# like a library's temporary, beside the books, is left alone.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
library=$work/library
rm -rf "$library"; mkdir -p "$library"
for book in taken free; do
  mkdir -p "$library/$book"
  for n in 001 002; do head -c 5000 /dev/urandom > "$library/$book/$n.jpg"; done
done
printf "a user's notes" > "$library/~arcade_1.TMP"
trash=$XDG_DATA_HOME/Trash
rm -rf "$trash/files/"* "$trash/info/"*
mkdir -p "$trash/files/taken" "$trash/info"
printf 'a stranger' > "$trash/files/taken/mine.txt"
root=$(e2e_winpath "$library")
e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "RemoveFolder=1" "SilentArchive=1" "AutoFind=1"
e2e_start || e2e_fail "the window did not start"
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish: $(e2e_status)"

# One question for the job, answered yes (Enter); any other window counts too.
e2e_key F8
asked=0
deadline=$((SECONDS + 120))
until e2e_probe wait-status "圧縮が終了しました" 1; do
  [ $SECONDS -lt $deadline ] || e2e_fail "the compression did not finish: $(e2e_status)"
  if e2e_probe dialog >/dev/null; then
    asked=$((asked + 1))
    sleep 0.3
    e2e_key Return
    for _ in $(seq 50); do e2e_probe dialog >/dev/null || break; sleep 0.2; done
  fi
done
[ "$asked" -eq 1 ] || e2e_fail "asked $asked times for one job"

e2e_expect_row taken 0 "*圧縮成功: ただしごみ箱に移せないため削除しません" "taken.zip"
[ -f "$library/taken/002.jpg" ] || e2e_fail "the book the bin could not take is gone"
[ "$(cat "$trash/files/taken/mine.txt" 2>/dev/null)" = "a stranger" ] || e2e_fail "the bin's own item was touched"
e2e_expect_row free 0 "*圧縮しました" "free.zip"
[ ! -e "$library/free" ] || e2e_fail "free was not removed"
[ -f "$trash/files/free/001.jpg" ] || e2e_fail "free is not in the recycle bin"
record=$E2E_RUN_DIR/fennoro-log.csv
grep -F "\\taken\",\"" "$record" | grep -q ',いいえ' || e2e_fail "the record says taken went to the bin: $(cat "$record")"
grep -F "\\free\",\"" "$record" | grep -q ',はい' || e2e_fail "the record lacks free: $(cat "$record")"
[ "$(cat "$library/~arcade_1.TMP" 2>/dev/null)" = "a user's notes" ] || e2e_fail "a user's ~arcade_1.TMP is gone"
e2e_close
rm -rf "$trash/files/"* "$trash/info/"*
echo "recyclebin: ok"
