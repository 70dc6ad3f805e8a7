#!/usr/bin/env bash
# Responsiveness benchmark: adds the ~200 MB mixed corpus at level 9, extracts it into a fresh
# folder, tests it and deletes a dozen entries, as the main window runs these calls (its windows
# process their pending events at every engine report), and prints how long the event loop had to
# wait at the longest and at the 99th percentile, round by round, then each operation's longest
# wait over the rounds (median and maximum). The window counts as responsive up to 50 ms.
#   bench/responsiveness.sh [work folder]   (default /tmp/pakrune-bench, shared with engine.sh)
set -euo pipefail
source "$(dirname "$0")/common.sh" "$@"
bench="$repo/build/bin/responsiveness_bench"
archive="$work/responsive.zip"
# One function per operation, each run once per round in this order; another operation is one more
# function and one more word in the list.
add() { (cd "$work/corpus" && "$bench" add "$archive" mixed); }
extract() {
  local fresh
  fresh=$(mktemp -d "$work/fresh.XXXXXX")
  "$bench" extract "$archive" "$fresh"
  rm -rf "$fresh"
}
test_archive() { "$bench" test "$archive"; }
delete() {
  local names
  names=$(python3 -c '
import sys, zipfile
print(" ".join(i.filename for i in zipfile.ZipFile(sys.argv[1]).infolist()[::170]))
' "$archive")
  # shellcheck disable=SC2086  # one argument per entry name; the corpus names hold no blanks
  "$bench" delete "$archive" $names
}
operations=(add extract test_archive delete)
log=$(mktemp)
for round in $(seq "${RUNS:-3}"); do
  rm -f "$archive"
  for operation in "${operations[@]}"; do
    "$operation" | tee -a "$log"
  done
done
python3 - "$log" <<'PYTHON'
import re, statistics, sys
waits = {}
for line in open(sys.argv[1]):
    found = re.match(r"(\w+): .* longest wait ([\d.]+) ms", line)
    if found:
        waits.setdefault(found.group(1), []).append(float(found.group(2)))
for operation, values in waits.items():
    print(f"{operation:8} longest wait over {len(values)} rounds: median {statistics.median(values):.1f} ms, "
          f"max {max(values):.1f} ms")
PYTHON
rm -f "$log"
