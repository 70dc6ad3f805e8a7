#!/usr/bin/env bash
# Extraction and adding at scale: a tree of 200,000 small files in 200 folders, and the same tree
# deflated by Python's zipfile (both made by make_archives.py on first use), each side by side with
# bsdtar as whole processes: medians, peak memory and bsdtar's time over ours, round by round.
# Every extraction goes into a fresh folder and every archive is checked by Python's zipfile.
#   bench/scale-tree.sh [work folder]   (default /tmp/pakrune-bench; RUNS rounds, default 3)
set -euo pipefail
source "$(dirname "$0")/common.sh" "$@"
python3 "$repo/bench/make_archives.py" "$work" tree
bench="$repo/build/bin/engine_bench"
side() { python3 "$repo/bench/sidebyside.py" -n "${RUNS:-3}" "$@"; }
check_zip='python3 -c "import sys, zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)"'

echo "== extracting tree.zip (200,000 files in 200 folders), each run into a fresh folder kept to the end"
side --keep -- \
  ours "exec '$bench' extract '$work/tree.zip' {fresh}" \
  bsdtar "exec bsdtar -xf '$work/tree.zip' -C {fresh}"

echo "== adding the tree at the default level 6"
side --check "$check_zip {out}" -- \
  ours "cd '$work' && exec '$bench' add {out} tree 6" \
  bsdtar "cd '$work' && exec bsdtar -a -cf {out} tree"
