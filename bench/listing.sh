#!/usr/bin/env bash
# Listing benchmark: opening and listing a 100,000-entry archive in the main window (read, sort
# keys, totals, rows), sorting a column, and the parts of an opening on their own, against
# ReadDirectory alone. Runs the program RUNS times (default 5) and prints the median of each line.
#   bench/listing.sh [work folder]   (default /tmp/pakrune-bench, shared with engine.sh)
set -euo pipefail
source "$(dirname "$0")/common.sh" "$@"
export QT_QPA_PLATFORM=offscreen
for _ in $(seq "${RUNS:-5}"); do
  "$repo/build/bin/listing_bench" "$work/small.zip" 2>/dev/null
done | python3 -c '
import re, statistics, sys
lines = {}
for line in sys.stdin:
    m = re.match(r"(.*?)\s+([0-9.]+) s", line)
    if m:
        lines.setdefault(m.group(1), []).append(float(m.group(2)))
    elif line.startswith("entries"):
        header = line.strip()
print(header)
for label, values in lines.items():
    print(f"{label:24} {statistics.median(values):8.3f} s  (median of {len(values)}, "
          f"{min(values):.3f} to {max(values):.3f})")'
