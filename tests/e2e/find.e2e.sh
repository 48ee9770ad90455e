#!/usr/bin/env bash
# The search with the default options on a tree with every verdict, started
# automatically; then F5 again from the keyboard; the INI written on close.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
e2e_make_tree "$work/library"
root=$(e2e_winpath "$work/library")
e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "AutoFind=1"
e2e_start || e2e_fail "the window did not start"
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish: $(e2e_status)"

check_rows() {
  e2e_expect_row "表紙" 1 "+圧縮できます" ""
  e2e_expect_row gap 0 "連番になっていません" "01.jpg 03.jpg"
  e2e_expect_row stray 0 "許容外の拡張子です" "readme.txt"
  e2e_expect_row nested 0 "サブディレクトリが存在します" "inner"
  e2e_expect_row empty 0 "空のフォルダです" "${root%\\}\\empty"
  e2e_expect_row prefix 0 "ファイルは連番形式ではありません" "a01.jpg b02.jpg プレフィックス非一致(b!=a)"
  [ "$(e2e_rows | wc -l)" -eq 6 ] || e2e_fail "expected 6 rows, got: $(e2e_rows)"
}
check_rows

# Recursive search from the keyboard: Ctrl+R toggles it, F5 searches again.
e2e_key ctrl+r F5
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the second search did not finish"
sleep 1
e2e_expect_row nested 1 "+圧縮できます" ""

# The page check from the keyboard: Ctrl+I, then F5. The tree's pages are text, no image at all.
e2e_key ctrl+i F5
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the third search did not finish"
sleep 1
e2e_expect_row "表紙" 0 "破損した画像があります" "p01.jpg JPEG・PNG・GIF・BMPのどれでもありません"
e2e_expect_row gap 0 "連番になっていません" "01.jpg 03.jpg"

e2e_close
e2e_ini | grep -qx 'Recursive=1' || e2e_fail "the INI does not hold Recursive=1: $(e2e_ini)"
e2e_ini | grep -qx 'VerifyImages=1' || e2e_fail "the INI does not hold VerifyImages=1: $(e2e_ini)"
e2e_ini | grep -Fqx "Path=$root" || e2e_fail "the INI does not hold the folder"
echo "find: ok"
