# The start of the archiver shell tests: the archiver-call tool beside the
# libraries, the repository, a work folder removed at the end (KEEP=1 keeps it),
# a failure count, Wine's name of a path, and one call of a library.
#   source archiver-test-lib.sh CALL_EXE WORK_NAME TOOL...   (a missing tool skips the test)
call_exe=$1
work_name=$2
shift 2
bin=$(cd "$(dirname "$call_exe")" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
for tool in "$@"; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
done

work=$(mktemp -d "/tmp/$work_name.XXXXXX")
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
win() { printf 'Z:%s' "${1//\//\\}"; }   # Wine maps / to drive Z:

# Runs one entry point (Wine hands the UTF-8 arguments over in code page 932);
# prints the library's answer in UTF-8. RUN_TIMEOUT: seconds (default 120).
run() {   # dll function command-line
  FENNORO_TIMEOUT=${RUN_TIMEOUT:-120} "$root/scripts/wine-run" "$bin/archiver-call.exe" "$1" "$2" "$3" 2>/dev/null |
    iconv -f CP932 -t UTF-8 | tr -d '\r'
  return "${PIPESTATUS[0]}"
}
