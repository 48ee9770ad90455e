# Shared steps of the end-to-end runs: a run folder holding the program, its
# archivers and its INI; the program started in a real window; keys from
# xdotool; the window's state read back through fennoro-probe.
# Expects DISPLAY to name a running X server and the Wine environment sourced.

E2E_BIN=${E2E_BIN:?the directory holding fennoro.exe}

# Creates RUN_DIR with the program, the bundled archivers and the given INI lines.
e2e_prepare_run() {   # run_dir, ini lines...
  local run_dir=$1; shift
  rm -rf "$run_dir"
  mkdir -p "$run_dir"
  cp "$E2E_BIN/fennoro.exe" "$run_dir/"
  local dll
  for dll in 7-zip32.DLL UNLHA32.DLL CAB32.DLL; do
    [ -f "$E2E_BIN/$dll" ] && cp "$E2E_BIN/$dll" "$run_dir/"
  done
  if [ $# -gt 0 ]; then
    printf '%s\r\n' "$@" | iconv -f UTF-8 -t CP932 > "$run_dir/fennoro.ini"
  fi
  E2E_RUN_DIR=$run_dir
}

e2e_winpath() { winepath -w "$1" 2>/dev/null; }

# Starts the program in the background and waits for its window.
e2e_start() {
  ( cd "$E2E_RUN_DIR" && exec wine fennoro.exe ) >"$E2E_RUN_DIR/wine.log" 2>&1 &
  E2E_PID=$!
  e2e_probe wait-window 60 || { echo "e2e: the window did not appear" >&2; return 1; }
  e2e_focus
}

# Gives the main window the keyboard focus, so that keys reach it.
e2e_focus() {
  local id
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --class fennoro.exe 2>/dev/null | head -1)
    [ -n "$id" ] && break
    sleep 0.2
  done
  [ -n "$id" ] || return 1
  E2E_XWINDOW=$id
  xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id" 2>/dev/null || true
}

e2e_key() { xdotool key --delay 50 "$@"; }

e2e_probe() { wine "$E2E_BIN/fennoro-probe.exe" "$@"; }

# The window's rows as UTF-8 lines: checked, name, result, remark (tab-separated).
e2e_rows() { e2e_probe rows | iconv -f CP932 -t UTF-8 | tr -d '\r'; }

e2e_status() { e2e_probe status | iconv -f CP932 -t UTF-8 | tr -d '\r'; }

e2e_wait_status() {   # text (UTF-8), seconds
  local expected
  expected=$(printf '%s' "$1" | iconv -f UTF-8 -t CP932)
  e2e_probe wait-status "$expected" "${2:-60}"
}

e2e_screenshot() {   # file.png
  import -window root "$1" 2>/dev/null || true
}

# Closes the window and waits for the program to end.
e2e_close() {
  e2e_probe close 60 || true
  wait "$E2E_PID" 2>/dev/null || true
}

e2e_ini() { iconv -f CP932 -t UTF-8 "$E2E_RUN_DIR/fennoro.ini" | tr -d '\r'; }
