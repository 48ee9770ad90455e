#!/usr/bin/env bash
# CAB32.DLL past 2 GiB, on sparse files (little disk, little time):
# - 2.01 GiB of zeros in two files: a cabinet folder holds at most 65,535 data
#   blocks of 32 KiB (its count is 16 bits wide), so the data must go into more
#   than one folder; cabextract and 7z test every file;
# - 2.01 GiB that does not pack (stored as it is): a cabinet cannot address more
#   than 2 GiB, so the call is refused with its reason and leaves nothing behind.
# 75 s beside other builds (the call itself about 45 s, cabextract and 7z 15 s).
#   cab-large_test.sh PATH/archiver-call.exe
set -uo pipefail
RUN_TIMEOUT=400
source "$(dirname "$0")/archiver-test-lib.sh" "$1" cab-large-test 7z cabextract

zeros=$work/zeros noise=$work/noise
mkdir "$zeros" "$noise"
truncate -s 1030M "$zeros/a.bin" "$zeros/b.bin"
for f in a b; do
  head -c 65536 /dev/urandom > "$noise/$f.jpg"   # the start decides: stored
  truncate -s 1030M "$noise/$f.jpg"
done

out=$(run CAB32.DLL Cab "-a -r -i \"$(win "$work/zeros.cab")\" \"$(win "$zeros")\\\" *.*") || fail "zeros: result $?: $out"
grep -q '^2 個のファイル' <<<"$out" || fail "zeros: output $out"
cabextract -t -q "$work/zeros.cab" >/dev/null || fail "zeros: cabextract -t"
7z t "$work/zeros.cab" >"$work/7z.log" 2>&1 || { fail "zeros: 7z t"; tail -5 "$work/7z.log"; }

out=$(run CAB32.DLL Cab "-a -r -i \"$(win "$work/noise.cab")\" \"$(win "$noise")\\\" *.*")
result=$?
[ $result = 4 ] || fail "noise: result $result: $out"
grep -q '^書庫が大きすぎます(CAB書庫は2GBまでです)$' <<<"$out" || fail "noise: output $out"
left=$(cd "$work" && ls | tr '\n' ' ')
[ "$left" = "7z.log noise zeros zeros.cab " ] || fail "left beside the archives: $left"

echo "cab-large: $failures failure(s)"
[ $failures = 0 ]
