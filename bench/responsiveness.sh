#!/usr/bin/env bash
# Responsiveness benchmark: adds the ~200 MB mixed corpus at level 9, extracts it into a fresh
# folder and deletes a dozen entries, as the main window runs these calls (its windows process
# their pending events at every engine report), and prints how long the event loop had to wait
# at the longest and at the 99th percentile. The window counts as responsive below 100 ms.
#   bench/responsiveness.sh [work folder]   (default /tmp/pakrune-bench, shared with engine.sh)
set -euo pipefail
source "$(dirname "$0")/common.sh" "$@"
bench="$repo/build/bin/responsiveness_bench"
for round in $(seq "${RUNS:-3}"); do
  rm -f "$work/responsive.zip"
  (cd "$work/corpus" && "$bench" add "$work/responsive.zip" mixed)
  fresh=$(mktemp -d "$work/fresh.XXXXXX")
  "$bench" extract "$work/responsive.zip" "$fresh"
  rm -rf "$fresh"
  names=$(python3 -c '
import sys, zipfile
print(" ".join(i.filename for i in zipfile.ZipFile(sys.argv[1]).infolist()[::170]))
' "$work/responsive.zip")
  # shellcheck disable=SC2086  # one argument per entry name; the corpus names hold no blanks
  "$bench" delete "$work/responsive.zip" $names
done
