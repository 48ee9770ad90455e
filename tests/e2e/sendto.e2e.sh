#!/usr/bin/env bash
# The file menu's Send To command: the shortcut appears in the user's Send To
# folder of the Wine prefix and starts this program; chosen again, it goes.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
rm -rf "$work"; mkdir -p "$work"
e2e_prepare_run "$work/run" "[Setting]" "AutoFind=0"
# No shortcut left over from an earlier run.
if line=$(e2e_probe sendto-target | tr -d '\r'); then
  rm -f "$(winepath -u "$(cut -f1 <<<"$line")")"
fi

choose_sendto() {
  e2e_key alt+f
  sleep 0.5
  e2e_key t
}

e2e_start || e2e_fail "the window did not start"
choose_sendto
e2e_wait_status "「送る」メニューに入れました" 30 || e2e_fail "the shortcut was not made: $(e2e_status)"
line=$(e2e_probe sendto-target | tr -d '\r') || e2e_fail "no shortcut in the Send To folder: $line"
link=$(winepath -u "$(cut -f1 <<<"$line")")
target=$(cut -f2 <<<"$line")
[ -f "$link" ] || e2e_fail "no file at $link"
[[ "$link" == */SendTo/Fennoro.lnk ]] || e2e_fail "the shortcut is not in the Send To folder: $link"
[ "$(winepath -u "$target")" -ef "$E2E_RUN_DIR/fennoro.exe" ] || e2e_fail "the shortcut starts $target"

choose_sendto
e2e_wait_status "「送る」メニューから外しました" 30 || e2e_fail "the shortcut was not removed: $(e2e_status)"
[ ! -e "$link" ] || e2e_fail "the shortcut is still there"
e2e_probe sendto-target >/dev/null && e2e_fail "the probe still reads a shortcut"
e2e_close
echo "sendto: ok"
