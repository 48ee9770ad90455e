#!/usr/bin/env bash
# The window at 96, 120, 144 and 192 DPI (the prefix's LogPixels, read by each
# program as it starts): the program declares itself per-monitor aware, so the
# rows, the toolbar, the folder box and the status bar grow with the density,
# while the sizes it saves stay in 96-DPI pixels. Screenshots of the window at
# 96 and 144 DPI are kept as artifacts.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"

set_dpi() { wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1; }
trap 'set_dpi 96' EXIT

e2e_make_tree "$work/library"
root=$(e2e_winpath "$work/library")
mkdir -p "$E2E_ARTIFACTS"
metric() { awk -v k="$1" '$1 == k { print $2 }' <<<"$2"; }

declare -A base
for dpi in 96 120 144 192; do
  set_dpi "$dpi"
  e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "AutoFind=1" "Window=10,10,600,380,0"
  e2e_start || e2e_fail "the window did not start at $dpi DPI"
  e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish at $dpi DPI"
  sleep 1
  m=$(e2e_probe metrics) || e2e_fail "no metrics at $dpi DPI"
  echo "== $dpi DPI"; echo "$m"
  if [ "$dpi" = 96 ] || [ "$dpi" = 144 ]; then
    import -window "$E2E_XWINDOW" "$E2E_ARTIFACTS/window-${dpi}dpi.png" 2>/dev/null || true
  fi
  for key in row column button status folderbox client; do
    value=$(metric "$key" "$m")
    if [ "$dpi" = 96 ]; then
      base[$key]=$value
      continue
    fi
    # Within a tenth of the density's ratio (integer pixels round).
    awk -v v="$value" -v b="${base[$key]}" -v r="$dpi" 'BEGIN { e = b * r / 96; exit !(v >= e * 0.9 - 1 && v <= e * 1.1 + 1) }' \
      || e2e_fail "$key is $value at $dpi DPI, ${base[$key]} at 96"
  done
  e2e_close
  e2e_ini | grep -qx 'Window=10,10,600,380,0' || e2e_fail "the size is not saved in 96-DPI pixels at $dpi DPI: $(e2e_ini | grep Window)"
  # The last column takes the rest of the window, whatever the file said.
  e2e_ini | grep -qx 'ListView=250,200,[0-9]*' || e2e_fail "the columns are not saved in 96-DPI pixels at $dpi DPI: $(e2e_ini | grep ListView)"
done
echo "dpi: ok"
