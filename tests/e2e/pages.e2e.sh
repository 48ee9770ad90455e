#!/usr/bin/env bash
# The deep page check in the real window: a camera's multi-picture pages (a
# preview image after each main image's end) pass; an arithmetic-coded page
# with zeros in the middle of its data is refused, its remark saying where; a
# book holding one page twice is held back, its remark naming both.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
pages=$FENNORO_ROOT/pages/tests/samples
library=$work/library
rm -rf "$library"; mkdir -p "$library/camera" "$library/arith" "$library/tail" "$library/twice"
for n in 01 02 03; do
  # Each page's bytes its own (a byte after the image's end), or the book holds a page twice.
  { cat "$pages/mpf.jpg"; printf '%s' "$n"; } > "$library/camera/p$n.jpg"
  cp "$pages/arithmetic-large.jpg" "$library/arith/p$n.jpg"
  cp "$pages/progressive.jpg" "$library/tail/p$n.jpg"
  printf 'Edited on a phone %s\n' "$n" >> "$library/tail/p$n.jpg"
done
cp "$pages/baseline.jpg" "$library/twice/p01.jpg"
cp "$pages/progressive.jpg" "$library/twice/p02.jpg"
cp "$pages/progressive.jpg" "$library/twice/p03.jpg"
python3 - "$library/arith/p02.jpg" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
middle = len(data) // 2
data[middle:middle + 512] = bytes(512)
open(path, "wb").write(data)
PY
root=$(e2e_winpath "$library")
e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "AutoFind=1" "VerifyImages=1" "DeepImageCheck=1"
e2e_start || e2e_fail "the window did not start"
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish: $(e2e_status)"
sleep 1
e2e_expect_row camera 1 "+圧縮できます" ""
e2e_expect_row tail 1 "+圧縮できます" ""
e2e_expect_row twice 0 "重複したページがあります" "p02.jpg p03.jpg"
e2e_expect_row arith 0 "破損した画像があります"
remark=$(e2e_rows | awk -F'\t' '$2 == "arith" { print $4 }')
[[ "$remark" =~ ^p02\.jpg\ [0-9]+\ バイト目付近のデータが壊れています$ ]] || e2e_fail "arith: remark '$remark'"
e2e_screenshot pages.png
e2e_close
echo "pages: ok"
