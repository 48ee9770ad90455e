# Shared steps of the end-to-end runs: a run folder holding the program, its
# archivers and its INI; the program started in a real window; keys from
# xdotool; the window's state read back through fennoro-probe.
# Expects DISPLAY to name a running X server and the Wine environment sourced.

E2E_BIN=${E2E_BIN:?the directory holding fennoro.exe}
FENNORO_ROOT=${FENNORO_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}

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

# Starts the program in the background, with any arguments given, and waits for its window.
e2e_start() {
  ( cd "$E2E_RUN_DIR" && exec wine fennoro.exe "$@" ) >"$E2E_RUN_DIR/wine.log" 2>&1 &
  E2E_PID=$!
  e2e_probe wait-window 60 || { echo "e2e: the window did not appear" >&2; return 1; }
  e2e_focus
}

# Gives the main window the keyboard focus, so that keys reach it.
e2e_focus() {
  local id
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --class fennoro.exe 2>/dev/null | head -1) || true
    [ -n "$id" ] && break
    sleep 0.2
  done
  [ -n "$id" ] || return 1
  E2E_XWINDOW=$id
  xdotool windowfocus --sync "$id" 2>/dev/null || true
}

# Like a user, the keys go to the main window: focus it first (a closed dialog
# may leave the focus nowhere in a display without a window manager).
e2e_key() {
  if [ -n "${E2E_XWINDOW:-}" ] && [ "$(xdotool getwindowfocus 2>/dev/null)" != "$E2E_XWINDOW" ] \
     && ! e2e_probe dialog >/dev/null; then
    xdotool windowfocus --sync "$E2E_XWINDOW" 2>/dev/null
  fi
  xdotool key --delay 50 "$@"
}

e2e_probe() { wine "$E2E_BIN/fennoro-probe.exe" "$@"; }

# The window's rows as UTF-8 lines: checked, name, result, remark (tab-separated).
e2e_rows() { e2e_probe rows | tr -d '\r'; }

e2e_status() { e2e_probe status | tr -d '\r'; }

# Wine hands the probe its arguments in the ANSI code page: pass them as UTF-8.
e2e_wait_status() {   # text, seconds
  e2e_probe wait-status "$1" "${2:-60}"
}

# Waits for the status text, confirming each dialog the program shows meanwhile
# (the shell asks before it moves a folder to the recycle bin) with Enter.
e2e_wait_status_confirming() {   # text, seconds
  local deadline=$((SECONDS + ${2:-60}))
  while [ $SECONDS -lt $deadline ]; do
    e2e_probe wait-status "$1" 1 && return 0
    if e2e_probe dialog >/dev/null; then
      sleep 0.3
      e2e_key Return
    fi
  done
  return 1
}

# Waits until the named row's result starts with the text, confirming dialogs meanwhile.
e2e_wait_row_confirming() {   # name, result prefix, seconds
  local deadline=$((SECONDS + ${3:-60})) result
  while [ $SECONDS -lt $deadline ]; do
    result=$(e2e_rows | awk -F'\t' -v n="$1" '$2 == n { print $3 }')
    [[ "$result" == "$2"* ]] && return 0
    e2e_probe dialog >/dev/null && { sleep 0.3; e2e_key Return; }
    sleep 0.5
  done
  return 1
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

# Fails the test with a message and a screenshot kept as an artifact.
e2e_fail() {
  echo "FAIL: $*" >&2
  mkdir -p "$E2E_ARTIFACTS"
  e2e_screenshot "$E2E_ARTIFACTS/$(basename "$0" .e2e.sh)-failure.png"
  echo "screenshot: $E2E_ARTIFACTS/$(basename "$0" .e2e.sh)-failure.png" >&2
  e2e_close >/dev/null 2>&1
  exit 1
}

E2E_ARTIFACTS=${E2E_ARTIFACTS:-$FENNORO_ROOT/build/e2e-artifacts}

e2e_expect_row() {   # name, checked, result prefix, [remark]
  local line
  line=$(e2e_rows | awk -F'\t' -v n="$1" '$2 == n')
  [ -n "$line" ] || e2e_fail "no row for $1"
  local checked result remark
  checked=$(cut -f1 <<<"$line"); result=$(cut -f3 <<<"$line"); remark=$(cut -f4 <<<"$line")
  [ "$checked" = "$2" ] || e2e_fail "$1: checked $checked, expected $2 ($result)"
  [[ "$result" == "$3"* ]] || e2e_fail "$1: result '$result', expected '$3'"
  if [ $# -ge 4 ]; then
    [ "$remark" = "$4" ] || e2e_fail "$1: remark '$remark', expected '$4'"
  fi
}

# A tree with every verdict the search gives.
e2e_make_tree() {   # root
  local root=$1
  rm -rf "$root"; mkdir -p "$root"
  mkdir -p "$root/表紙" "$root/gap" "$root/stray" "$root/nested/inner" "$root/empty" "$root/prefix"
  local n
  for n in 01 02 03; do printf 'jpeg %s' "$n" > "$root/表紙/p$n.jpg"; done
  printf x > "$root/gap/01.jpg"; printf x > "$root/gap/03.jpg"
  printf x > "$root/stray/01.jpg"; printf x > "$root/stray/readme.txt"
  printf x > "$root/nested/01.jpg"; printf x > "$root/nested/inner/01.jpg"
  printf x > "$root/prefix/a01.jpg"; printf x > "$root/prefix/b02.jpg"
  printf x > "$root/loose.jpg"
}
