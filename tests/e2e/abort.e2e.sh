#!/usr/bin/env bash
# Ctrl+D during a long compression stops inside the folder in hand (the bundled
# library hears it through its progress callback): that folder is kept whole
# with "中断されました", the rest keep their check boxes and folders, and every
# archive on disk is complete.
# Then closing the window in the middle of a second job ends the program
# cleanly with its settings saved.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
library=$work/library
rm -rf "$library"; mkdir -p "$library"
for i in $(seq -w 1 30); do
  mkdir -p "$library/book$i"
  for n in 01 02 03 04; do head -c 400000 /dev/urandom > "$library/book$i/$n.jpg"; done
done
root=$(e2e_winpath "$library")
e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "AutoFind=1" "RemoveFolder=0"
e2e_start || e2e_fail "the window did not start"
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish"
e2e_key F8
e2e_wait_status "圧縮中: " 30 || e2e_fail "the compression did not start"
e2e_key ctrl+d
e2e_wait_status "圧縮を中断しました" 120 || e2e_fail "the compression did not stop: $(e2e_status)"
sleep 1

made=$(e2e_rows | awk -F'\t' '$3 ~ /^\*/' | wc -l)
waiting=$(e2e_rows | awk -F'\t' '$1 == 1 && $3 ~ /^\+/' | wc -l)
stopped=$(e2e_rows | awk -F'\t' '$1 == 1 && $3 == "中断されました"' | wc -l)
[ "$waiting" -gt 0 ] || e2e_fail "the abort did not stop the job (all $made done)"
[ "$stopped" -le 1 ] || e2e_fail "more than one folder cut short: $(e2e_rows)"
[ $((made + waiting + stopped)) -eq 30 ] || e2e_fail "rows in unexpected states: $(e2e_rows)"
for archive in "$library"/*.zip; do
  [ -e "$archive" ] || continue
  unzip -tq "$archive" >/dev/null || e2e_fail "partial archive $archive"
done
[ "$(ls "$library"/*.zip 2>/dev/null | wc -l)" -eq "$made" ] || e2e_fail "archives and rows disagree"
for i in $(seq -w 1 30); do [ -d "$library/book$i" ] || e2e_fail "book$i is gone"; done

# Closing during a job: the job stops, the program ends, the INI is written.
e2e_key ctrl+l F8
e2e_wait_status "圧縮中: " 30 || e2e_fail "the second compression did not start"
e2e_close
kill -0 "$E2E_PID" 2>/dev/null && e2e_fail "the program did not end"
e2e_ini | grep -qx 'SilentArchive=0' || e2e_fail "the options on screen were not saved: $(e2e_ini)"
for archive in "$library"/*.zip; do
  unzip -tq "$archive" >/dev/null || e2e_fail "partial archive $archive after closing"
done
ls "$library" | grep -v '\.zip$' | grep -v '^book[0-9]*$' && e2e_fail "temporary files left behind"
echo "abort: ok"
