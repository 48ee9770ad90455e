#!/usr/bin/env bash
# Copy to the clipboard (read by a second process) and F2 rename in the real window.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
e2e_make_tree "$work/library"
root=$(e2e_winpath "$work/library")
e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "AutoFind=1"
e2e_start || e2e_fail "the window did not start"
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish"

# A click on the first row focuses it; F2 renames it in place.
first=$(e2e_rows | head -1 | cut -f2)
xdotool mousemove --window "$E2E_XWINDOW" 120 94 click 1
sleep 0.5
e2e_key F2
sleep 0.5
# The editor starts with the whole name selected: typing replaces it.
xdotool type --delay 50 "renamed"
e2e_key Return
sleep 1
[ -d "$work/library/renamed" ] || e2e_fail "the folder $first was not renamed: $(ls "$work/library")"
[ ! -e "$work/library/$first" ] || e2e_fail "the old folder $first is still there"
e2e_rows | cut -f2 | grep -qx renamed || e2e_fail "the row does not show the new name"

# Select all rows and copy them; a second process reads the clipboard.
for key in ctrl+a ctrl+c; do e2e_key "$key"; sleep 0.5; done
clip=$(e2e_probe clipboard | iconv -f CP932 -t UTF-8 | tr -d '\r')
grep -q $'^1\t表紙\t+圧縮できます' <<<"$clip" || e2e_fail "the clipboard text lacks the rows: $clip"
grep -q $'^0\trenamed\t' <<<"$clip" || e2e_fail "the clipboard text lacks the renamed row: $clip"
[ "$(grep -c . <<<"$clip")" -eq 6 ] || e2e_fail "the clipboard text does not hold the six rows: $clip"
csv=$(e2e_probe clipboard Csv | iconv -f CP932 -t UTF-8 | tr -d '\r')
grep -q '表紙' <<<"$csv" || e2e_fail "no Csv rendering: $csv"
e2e_close
echo "listcommands: ok"
