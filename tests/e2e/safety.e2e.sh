#!/usr/bin/env bash
# F8 with removal on over a library that hides what its listing does not show:
# a link to a page outside the folder, a link to nothing and a folder at archives'
# names (one there at the find, the others made after it), a page named in code
# page 932 bytes on the Unix side. None of them is
# archived or recycled, and nothing at an archive's name is replaced; the plain
# folder beside them is archived and recycled.
set -uo pipefail
source "$(dirname "$0")/e2e-scenario.sh" "$1"
library=$work/library
outside=$work/outside
rm -rf "$library" "$outside"; mkdir -p "$library" "$outside"
for book in plain linked dangling foldered late odd; do
  mkdir -p "$library/$book"
  for n in 001 002; do head -c 20000 /dev/urandom > "$library/$book/$n.jpg"; done
done
head -c 20000 /dev/urandom > "$outside/003.jpg"
cp "$outside/003.jpg" "$work/outside-copy"
ln -s "$outside/003.jpg" "$library/linked/003.jpg"
# Enough pages beside the link that more than one thread looks for it.
for n in $(seq 4 12); do head -c 2000 /dev/urandom > "$library/linked/$(printf %03d "$n").jpg"; done
mkdir "$library/foldered.zip"
printf odd > "$library/odd/$(printf '\223\372').jpg"
rm -rf "$XDG_DATA_HOME/Trash/files/"* "$XDG_DATA_HOME/Trash/info/"*
root=$(e2e_winpath "$library")
e2e_prepare_run "$work/run" "[Setting]" "Path=$root" "AutoFind=1" "RemoveFolder=1" "SilentArchive=1"
e2e_start || e2e_fail "the window did not start"
e2e_wait_status "検索が終了しました" 60 || e2e_fail "the search did not finish"
e2e_expect_row odd 0 "扱えないファイル名です"
# The listing shows the link as the page it leads to: the find passes it.
e2e_expect_row linked 1 "+圧縮できます"
e2e_expect_row foldered 0 "書庫が既に存在します" "foldered.zip"
# What takes an archive's name after the find is F8's to find.
ln -s "$work/nowhere" "$library/dangling.zip"
mkdir "$library/late.zip"
e2e_key F8
e2e_wait_status_confirming "圧縮が終了しました" 120 || e2e_fail "the compression did not finish: $(e2e_status)"

e2e_expect_row plain 0 "*圧縮しました" "plain.zip"
unzip -tq "$library/plain.zip" >/dev/null || e2e_fail "plain.zip does not test clean"
[ ! -e "$library/plain" ] || e2e_fail "plain was not removed"
e2e_expect_row linked 1 "!リンクを含むフォルダです" "003.jpg"
e2e_expect_row dangling 1 "!書庫が既存します" "dangling.zip"
e2e_expect_row late 1 "!書庫が既存します" "late.zip"
e2e_expect_row foldered 0 "書庫が既に存在します" "foldered.zip"
for archive in foldered late; do
  [ -d "$library/$archive.zip" ] && [ -z "$(ls -A "$library/$archive.zip")" ] || e2e_fail "$archive.zip changed"
done
e2e_expect_row odd 0 "扱えないファイル名です"
[ -L "$library/dangling.zip" ] || e2e_fail "the link at dangling.zip was replaced"
for book in linked dangling foldered late odd; do
  [ -f "$library/$book/001.jpg" ] || e2e_fail "$book lost its pages"
done
[ ! -e "$library/linked.zip" ] && [ ! -e "$library/odd.zip" ] || e2e_fail "a refused folder was archived"
cmp -s "$outside/003.jpg" "$work/outside-copy" || e2e_fail "the linked page outside changed"
ls "$library/odd" | grep -q '^.*\.jpg$' || e2e_fail "odd lost its pages"
e2e_close
echo "safety: ok"
