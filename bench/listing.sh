#!/usr/bin/env bash
# Listing benchmark, at 100,000 and at 1,000,000 entries, side by side with 7-Zip's listing:
#   1. opening and listing the archive in the main window as a whole process (start-up, reading,
#      sort keys, totals, rows, the first paint) against `7zz l`, round after round: medians, peak
#      memory and our time as a fraction of 7zz's;
#   2. the steps in one process (listing_bench parts): repainting, Page Down, dragging the scroll
#      bar, keyboard moves, sorting, select all; medians of RUNS runs (default 5), each also as a
#      fraction of 7zz l's median. Under a display (Xvfb when xvfb-run is there) as well as
#      offscreen, so that scrolling is measured where it is drawn.
# The 1,000,000-entry archive is made on first use by make_archives.py (stored by Python's
# zipfile, names like dir0123/file0123456.txt); the 100,000-entry one is the corpus' small files.
#   bench/listing.sh [work folder]   (default /tmp/pakrune-bench, shared with engine.sh)
set -euo pipefail
source "$(dirname "$0")/common.sh" "$@"
python3 "$repo/bench/make_archives.py" "$work" million
export QT_QPA_PLATFORM=offscreen BENCH_WORK="$work"
bench="$repo/build/bin/listing_bench"

# Medians of the steps of listing_bench parts over RUNS runs, with each as a fraction of seconds.
parts() {
  local yardstick=$1
  shift
  for _ in $(seq "${RUNS:-5}"); do
    "$@" 2>/dev/null
  done | python3 -c '
import re, statistics, sys
yardstick = float(sys.argv[1])
lines, header = {}, ""
for line in sys.stdin:
    m = re.match(r"(.*?)\s+([0-9.]+) s", line)
    if m:
        lines.setdefault(m.group(1), []).append(float(m.group(2)))
    elif line.startswith("entries"):
        header = line.strip()
print(header)
for label, values in lines.items():
    median = statistics.median(values)
    print(f"  {label:24} {median:9.4f} s  {median / yardstick:7.4f} x 7zz l  "
          f"(median of {len(values)}, {min(values):.4f} to {max(values):.4f})")' "$yardstick"
}

for archive in small million; do
  echo "== $archive.zip: opening and listing, whole processes"
  result=$(python3 "$repo/bench/sidebyside.py" -n "${RUNS:-5}" -- \
    "7zz l" "exec 7zz l '$work/$archive.zip' >/dev/null" \
    ours "exec '$bench' open '$work/$archive.zip'")
  echo "$result"
  yardstick=$(echo "$result" | awk '$1 == "7zz" && $2 == "l" { print $3 }')
  echo "== $archive.zip: the steps in one process (offscreen), 7zz l taking $yardstick s"
  parts "$yardstick" "$bench" parts "$work/$archive.zip"
  if command -v xvfb-run >/dev/null; then
    echo "== $archive.zip: the steps in one process under Xvfb"
    parts "$yardstick" env QT_QPA_PLATFORM=xcb xvfb-run -a -s '-screen 0 1280x1024x24' \
      "$bench" parts "$work/$archive.zip"
  fi
done
