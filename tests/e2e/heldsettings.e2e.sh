#!/usr/bin/env bash
# A settings file another program holds open at the start: the program says it
# cannot read it and starts from the defaults; the holder lets go before the
# window closes, yet the user's file is not written over: it is kept aside, whole.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
mkdir -p "$work"
e2e_prepare_run "$work/run" "[Setting]" "Path=C:\\mine" "RemoveFolder=1" "[Archive]" \
  '.my=my.dll,My,"a $A $D"'
ini=$E2E_RUN_DIR/fennoro.ini
cp "$ini" "$work/original.ini"

e2e_probe hold "$(e2e_winpath "$ini")" > "$work/hold.out" &
holder=$!
for _ in $(seq 300); do grep -q held "$work/hold.out" 2>/dev/null && break; sleep 0.2; done
grep -q held "$work/hold.out" || e2e_fail "the settings file could not be held"

e2e_start || e2e_fail "the window did not start"
# The message comes up with the window; the file is let go while it shows.
asked=
for _ in $(seq 300); do asked=$(e2e_probe dialog | tr -d '\r') && break; sleep 0.2; done
[ "$asked" = "Fennoro" ] || e2e_fail "no message about the unreadable file"
e2e_probe release || e2e_fail "the holder was not told to let go"
wait "$holder"
e2e_key Return
[ "$(e2e_probe folder | tr -d '\r' | cut -d' ' -f3-)" = "" ] || e2e_fail "the folder box is not the default's"
e2e_close

cmp -s "$work/original.ini" "$ini.unreadable" || e2e_fail "the user's file is not kept aside whole"
! e2e_ini | grep -q "mine" || e2e_fail "the new settings hold the old file's values"
echo "heldsettings: ok"
