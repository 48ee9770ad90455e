#!/usr/bin/env bash
# Fennoro driven from its command line, as Explorer's Send To and a script drive
# it: two folders in different places archived each beside itself and the
# program gone with exit code 0; a missing folder with the unattended switches
# ends with the bad-argument code and leaves only a line in the record; a single
# folder is searched below; no switch changes the INI.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
rm -rf "$work"; mkdir -p "$work/shelf one/巻の一" "$work/棚 2/😀 book" "$work/shelf one/untouched"
for book in "$work/shelf one/巻の一" "$work/棚 2/😀 book" "$work/shelf one/untouched"; do
  for n in 001 002 003; do head -c 5000 /dev/urandom > "$book/$n.jpg"; done
done
one=$(e2e_winpath "$work/shelf one/巻の一")
two=$(e2e_winpath "$work/棚 2/😀 book")
# .zip checked, removal on: unattended, the folders are kept unless /recycle says otherwise.
e2e_prepare_run "$work/run" "[Setting]" "Path=C:\\an-old-root" "RemoveFolder=1" "ArchiveExtensionIndex=0"

# Runs the program to its end (a hung one fails the test), the exit code in $code.
run_fennoro() {
  ( cd "$E2E_RUN_DIR" && timeout 240 wine fennoro.exe "$@" ) >"$E2E_RUN_DIR/wine.log" 2>&1
  code=$?
}

# Two folders, one given twice with a trailing separator, the .7z format for this run.
run_fennoro "$one" "$two\\" "$one" /COMPRESS -format:.7z /exit
[ "$code" -eq 0 ] || e2e_fail "two folders: exit code $code, expected 0"
for book in "$work/shelf one/巻の一" "$work/棚 2/😀 book"; do
  [ -f "$book.7z" ] || e2e_fail "no archive beside $book"
  7z t "$book.7z" >/dev/null || e2e_fail "7z does not read $book.7z"
  [ -d "$book" ] || e2e_fail "$book was removed without /recycle"
done
[ ! -e "$work/shelf one/untouched.7z" ] || e2e_fail "a folder not named was archived"
record=$E2E_RUN_DIR/fennoro-log.csv
[ "$(grep -c '圧縮しました' "$record")" -eq 2 ] || e2e_fail "the record lacks the two folders: $(cat "$record")"
# What the switches touched for the run is saved as it was.
for line in 'Path=C:\an-old-root' RemoveFolder=1 ArchiveExtensionIndex=0; do
  e2e_ini | grep -qxF "$line" || e2e_fail "the switches changed the INI: no $line in $(e2e_ini | grep -E 'Path|Remove|ArchiveExt')"
done

# A missing folder, unattended: the bad-argument code, nothing archived, the INI
# untouched, one line in the record naming the folder.
before=$(md5sum "$E2E_RUN_DIR/fennoro.ini")
lines=$(wc -l < "$record")
run_fennoro "$one" 'C:\no such folder' /compress /exit
[ "$code" -eq 2 ] || e2e_fail "a missing folder: exit code $code, expected 2"
[ "$(md5sum "$E2E_RUN_DIR/fennoro.ini")" = "$before" ] || e2e_fail "a run that did not start wrote the INI"
[ ! -e "$work/shelf one/巻の一.zip" ] || e2e_fail "a run with a missing folder archived"
[ "$(wc -l < "$record")" -eq $((lines + 1)) ] || e2e_fail "not one line in the record: $(tail -3 "$record")"
tail -1 "$record" | grep -qF 'no such folder' || e2e_fail "the record does not name the folder: $(tail -1 "$record")"
# An unknown switch, unattended, too.
run_fennoro "$one" /compress /exit /frobnicate
[ "$code" -eq 2 ] || e2e_fail "an unknown switch: exit code $code, expected 2"

# One folder is a root: its folders are found, each archived beside it; the
# folder box shows it during the run but the INI keeps the old root.
rm -f "$work/shelf one/"*.7z "$work/shelf one/"*.zip
shelf=$(e2e_winpath "$work/shelf one")
run_fennoro "$shelf" /compress /exit
[ "$code" -eq 0 ] || e2e_fail "one root: exit code $code, expected 0"
[ -f "$work/shelf one/巻の一.zip" ] && [ -f "$work/shelf one/untouched.zip" ] || e2e_fail "the root's folders were not archived"
e2e_ini | grep -qxF 'Path=C:\an-old-root' || e2e_fail "the command line's folder was saved: $(e2e_ini | grep Path=)"

# A job that fails: its archive is already there.
run_fennoro "$one" "$two" /compress /exit
[ "$code" -eq 1 ] || e2e_fail "existing archives: exit code $code, expected 1"
# Unattended with /recycle: the folders go to the recycle bin and no window asks anything.
mkdir -p "$work/bin/r1" "$work/bin/r2"
for book in "$work/bin/r1" "$work/bin/r2"; do
  for n in 01 02; do head -c 3000 /dev/urandom > "$book/$n.jpg"; done
done
rm -rf "$XDG_DATA_HOME/Trash/files/"* "$XDG_DATA_HOME/Trash/info/"*
run_fennoro "$(e2e_winpath "$work/bin/r1")" "$(e2e_winpath "$work/bin/r2")" /compress /recycle /exit
[ "$code" -eq 0 ] || e2e_fail "/recycle: exit code $code, expected 0"
for book in r1 r2; do
  [ -f "$work/bin/$book.zip" ] || e2e_fail "/recycle: no archive for $book"
  [ ! -e "$work/bin/$book" ] || e2e_fail "/recycle: $book was kept"
  ls "$XDG_DATA_HOME/Trash/files/" | grep -qx "$book" || e2e_fail "/recycle: $book is not in the recycle bin"
done

# Started by a person: a message box names the missing folder, the window then
# opens on the folder that exists without the job, and the exit code still says so.
rm -f "$work/shelf one/"*.zip
e2e_start "$one" 'C:\no such folder' /compress || e2e_fail "the window did not start"
for _ in $(seq 50); do e2e_probe dialog >/dev/null && break; sleep 0.2; done
e2e_probe dialog >/dev/null || e2e_fail "no message box for the missing folder"
e2e_key Return
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the folder that exists was not found: $(e2e_status)"
e2e_expect_row "巻の一" 1 "+圧縮できます"
sleep 1
[ ! -e "$work/shelf one/巻の一.zip" ] || e2e_fail "the job ran despite a bad argument"
e2e_probe close 60
wait "$E2E_PID"; code=$?
[ "$code" -eq 2 ] || e2e_fail "a person's run with a missing folder: exit code $code, expected 2"
# /? shows the switches in a box and ends with 0 once it is closed.
e2e_start '/?' || e2e_fail "the usage box did not come"
for _ in $(seq 50); do e2e_probe dialog >/dev/null && break; sleep 0.2; done
e2e_probe dialog >/dev/null || e2e_fail "no usage box"
xdotool key Return
wait "$E2E_PID"; code=$?
[ "$code" -eq 0 ] || e2e_fail "/?: exit code $code, expected 0"
echo "commandline: ok"
