#!/usr/bin/env bash
# A job a user can leave running: Ctrl+A in the folder box selects its text, so a
# typed root replaces the old one; a folder whose archive is already beside it
# comes up unchecked from the find; with removal on, F8 asks once for the whole
# job and every folder goes to the recycle bin; the record beside the INI names
# each folder; the .cbz format makes zips that 7z and unzip open.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
library=$work/library
rm -rf "$library"; mkdir -p "$library"
books=("巻の一" "Pokémon 02" book3 book4 book5)
for book in "${books[@]}" done; do
  mkdir -p "$library/$book"
  for n in 001 002 003; do head -c 20000 /dev/urandom > "$library/$book/$n.jpg"; done
done
printf 'an earlier archive' > "$library/done.cbz"
rm -rf "$XDG_DATA_HOME/Trash/files/"* "$XDG_DATA_HOME/Trash/info/"*
root=$(e2e_winpath "$library")
# .cbz is the fifth default format; removal on, quiet off.
e2e_prepare_run "$work/run" "[Setting]" "Path=C:\\an-old-root" "RemoveFolder=1" "SilentArchive=0" \
  "ArchiveExtensionIndex=4"
e2e_start || e2e_fail "the window did not start"

# The folder box has the focus at start: Ctrl+A selects the old root, typing replaces it.
e2e_key ctrl+a
read -r start end text <<<"$(e2e_probe folder | tr -d '\r')"
[ "$start $end $text" = "0 14 C:\\an-old-root" ] || e2e_fail "Ctrl+A did not select the folder box: $start $end $text"
xdotool type --delay 20 "$root"
e2e_key Return
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish: $(e2e_status)"
[ "$(e2e_probe folder | tr -d '\r' | cut -d' ' -f3-)" = "$root" ] || e2e_fail "the root was not replaced"
e2e_expect_row done 0 "書庫が既に存在します" "done.cbz"
for book in "${books[@]}"; do e2e_expect_row "$book" 1 "+圧縮できます"; done

# One question for the five folders, answered with Enter (はい).
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

record=$E2E_RUN_DIR/fennoro-log.csv
[ -f "$record" ] || e2e_fail "no record beside the INI"
[ "$(head -c 3 "$record" | od -An -tx1 | tr -d ' ')" = "efbbbf" ] || e2e_fail "the record has no byte-order mark"
[ "$(wc -l < "$record")" -eq $((1 + ${#books[@]})) ] || e2e_fail "the record holds other lines: $(cat "$record")"
for book in "${books[@]}"; do
  e2e_expect_row "$book" 0 "*圧縮しました" "$book.cbz"
  archive=$library/$book.cbz
  7z t "$archive" >/dev/null || e2e_fail "7z does not read $book.cbz"
  unzip -tq "$archive" >/dev/null || e2e_fail "unzip does not read $book.cbz"
  [ "$(unzip -Z1 "$archive" | grep -c '\.jpg$')" -eq 3 ] || e2e_fail "$book.cbz lacks pages"
  [ ! -e "$library/$book" ] || e2e_fail "$book was not removed"
  ls "$XDG_DATA_HOME/Trash/files/" | grep -qx "$book" || e2e_fail "$book is not in the recycle bin"
  grep -F "\\$book\",\"" "$record" | grep -q ',"\*圧縮しました",.*,はい' || e2e_fail "the record lacks $book"
done
[ "$(cat "$library/done.cbz")" = "an earlier archive" ] || e2e_fail "an existing archive was touched"
[ -d "$library/done" ] || e2e_fail "the folder with an archive is gone"
e2e_close
e2e_ini | grep -qxF "Path=$root" || e2e_fail "the typed root was not saved"
echo "record: ok"
