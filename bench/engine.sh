#!/usr/bin/env bash
# Engine benchmark: listing a 100,000-entry archive, adding the ~200 MB mixed corpus at level 9
# and extracting it, against 7-Zip, bsdtar and Python's zipfile in the same run. Prints seconds
# and the ratio of ours to each peer (below 1 means we are faster).
#   bench/engine.sh [work folder]   (default /tmp/pakrune-bench; the corpus is made once and kept)
set -euo pipefail
source "$(dirname "$0")/common.sh" "$@"
bench="$repo/build/bin/engine_bench"

now() { date +%s.%N; }
# Runs a command and prints the seconds it took.
timed() { local t0; t0=$(now); "$@" >/dev/null 2>&1; awk -v a="$(now)" -v b="$t0" 'BEGIN { printf "%.3f", a - b }'; }
# A fresh folder for each run: refilling a folder that was just emptied is much slower.
fresh() { local d; d=$(mktemp -d "$work/run.XXXXXX"); echo "$d"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
ours() { "$bench" "$@" | awk '/^seconds/ {print $2}'; }

rm -rf "$work"/run.* "$work"/ours.zip "$work"/7z.zip "$work"/bsdtar.zip
echo "== listing a 100,000-entry archive"
list_ours=$(ours list "$work/small.zip")
list_py=$(timed python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).infolist()' "$work/small.zip")
list_7z=$(timed 7zz l "$work/small.zip")
printf '%-28s %8s s\n' "ReadDirectory" "$list_ours" "python zipfile" "$list_py" "7zz l" "$list_7z"
printf 'ratio ours/python %s, ours/7zz %s\n' "$(ratio "$list_ours" "$list_py")" "$(ratio "$list_ours" "$list_7z")"

echo "== adding the mixed corpus at level 9"
add_ours=$(ours add "$work/ours.zip" "$work/corpus/mixed")
add_7z=$(cd "$work/corpus" && timed 7zz a -tzip -mx=9 "$work/7z.zip" mixed)
add_tar=$(cd "$work/corpus" && timed bsdtar -a --options zip:compression-level=9 -cf "$work/bsdtar.zip" mixed)
printf '%-28s %8s s\n' "libzipdll" "$add_ours" "7zz -tzip -mx=9" "$add_7z" "bsdtar" "$add_tar"
printf 'sizes: ours %s, 7zz %s, bsdtar %s bytes\n' "$(stat -c %s "$work/ours.zip")" "$(stat -c %s "$work/7z.zip")" "$(stat -c %s "$work/bsdtar.zip")"
printf 'ratio ours/7zz %s, ours/bsdtar %s\n' "$(ratio "$add_ours" "$add_7z")" "$(ratio "$add_ours" "$add_tar")"

echo "== extracting it (our archive, each into a fresh folder)"
ext_ours=$(ours extract "$work/ours.zip" "$(fresh)")
ext_7z=$(timed 7zz x -y "-o$(fresh)" "$work/ours.zip")
d=$(fresh); ext_tar=$(timed bsdtar -xf "$work/ours.zip" -C "$d")
ext_py=$(timed python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$work/ours.zip" "$(fresh)")
printf '%-28s %8s s\n' "libunzdll" "$ext_ours" "7zz x" "$ext_7z" "bsdtar -x" "$ext_tar" "python zipfile" "$ext_py"
printf 'ratio ours/7zz %s, ours/bsdtar %s, ours/python %s\n' "$(ratio "$ext_ours" "$ext_7z")" "$(ratio "$ext_ours" "$ext_tar")" "$(ratio "$ext_ours" "$ext_py")"
rm -rf "$work"/run.*
