# Shared helpers of the project's scripts.
FENNORO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The compiler cache serves every clone of the tree: paths inside it count as
# relative, and it stays in the user's own cache folder (the Wine scripts move HOME).
export CCACHE_BASEDIR=$FENNORO_ROOT CCACHE_NOHASHDIR=true
export CCACHE_DIR=${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/ccache}

# Configures and builds one preset when needed.
fennoro_build() {
  local preset=$1
  if [ ! -f "$FENNORO_ROOT/build/$preset/CMakeCache.txt" ]; then
    cmake --preset "$preset" -S "$FENNORO_ROOT" >/dev/null
  fi
  cmake --build --preset "$preset"
}
