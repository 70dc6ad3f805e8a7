#!/usr/bin/env bash
# Listing benchmark: opening and listing a 100,000-entry archive in the main window (read, sort
# keys, totals, rows) and one column sort, against ReadDirectory alone.
#   bench/listing.sh [work folder]   (default /tmp/pakrune-bench, shared with engine.sh)
set -euo pipefail
source "$(dirname "$0")/common.sh" "$@"
export QT_QPA_PLATFORM=offscreen
"$repo/build/bin/listing_bench" "$work/small.zip"
