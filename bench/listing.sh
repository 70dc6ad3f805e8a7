#!/usr/bin/env bash
# Listing benchmark: opening and listing a 100,000-entry archive in the main window (read, sort
# keys, totals, rows) and one column sort, against ReadDirectory alone.
#   bench/listing.sh [work folder]   (default /tmp/pakrune-bench, shared with engine.sh)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/tmp/pakrune-bench}
mkdir -p "$work"
"$repo/scripts/install-deps"
"$repo/scripts/build" >/dev/null
export PAKRUNE_PREFIX="$work/prefix" QT_QPA_PLATFORM=offscreen
if [ ! -f "$work/corpus/MANIFEST.txt" ]; then
  python3 "$repo/../shared/bench/gen_corpus.py" "$work/corpus" >&2
fi
[ -f "$work/small.zip" ] || (cd "$work/corpus" && 7zz a -tzip -mx=0 "$work/small.zip" small >/dev/null)
"$repo/build/bin/listing_bench" "$work/small.zip"
