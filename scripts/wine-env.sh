# Sourced by every script that runs Wine: the project's own prefix, code page 932,
# a sandboxed home (the recycle bin lives under XDG_DATA_HOME), quiet and dialog-free.
FENNORO_ROOT=${FENNORO_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
FENNORO_WINE_DIR=${FENNORO_WINE_DIR:-$FENNORO_ROOT/build/wine}

export WINEARCH=win32
export WINEPREFIX=$FENNORO_WINE_DIR/prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
# The Japanese locale (ANSI code page 932) unless a test asks for another.
export LC_ALL=${FENNORO_LOCALE:-ja_JP.UTF-8} LANG=${FENNORO_LOCALE:-ja_JP.UTF-8}
export HOME=$FENNORO_WINE_DIR/home
export XDG_DATA_HOME=$HOME/.local/share
export XDG_CONFIG_HOME=$HOME/.config
export XDG_CACHE_HOME=$HOME/.cache

# Creates the prefix once (serialised: CTest runs tests in parallel).
fennoro_wine_prepare() {
  mkdir -p "$FENNORO_WINE_DIR" "$XDG_DATA_HOME/Trash/files" "$XDG_DATA_HOME/Trash/info" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.fennoro-ready" ]; then
      rm -rf "$WINEPREFIX"
      # Without a display while the prefix is made; the drivers come from the registry below.
      DISPLAY= wineboot -i >/dev/null 2>&1 || true
      local reg=$FENNORO_WINE_DIR/settings.reg
      iconv -f UTF-8 -t CP932 "$FENNORO_ROOT/scripts/wine-settings.reg" > "$reg"
      DISPLAY= wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.fennoro-ready"
    fi
  ) 9>"$FENNORO_WINE_DIR/.lock"
}
