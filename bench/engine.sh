#!/usr/bin/env bash
# Engine benchmark: listing a 100,000-entry archive (in-process, against a plain buffered walk of
# its headers), then adding the ~200 MB mixed corpus at level 9, extracting it and deleting 10
# entries from it, each side by side with its peers as whole processes: a warm-up round, then
# RUNS rounds (default 3) in which every command runs once in turn; medians, peak memory and the
# ratio of each peer's time to ours (above 1: we are faster) taken round by round. Every
# extraction goes into a fresh folder.
#   bench/engine.sh [work folder]   (default /tmp/pakrune-bench; the corpus is made once and kept)
set -euo pipefail
source "$(dirname "$0")/common.sh" "$@"
bench="$repo/build/bin/engine_bench"
export BENCH_WORK="$work"
side() { python3 "$repo/bench/sidebyside.py" -n "${RUNS:-3}" "$@"; }
check_zip='python3 -c "import sys, zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)"'

echo "== listing a 100,000-entry archive"
"$bench" list "$work/small.zip" | grep -v '^seconds'

echo "== adding the mixed corpus at level 9 (every archive's CRCs checked by Python's zipfile)"
side --check "$check_zip {out}" -- \
  ours "cd '$work/corpus' && exec '$bench' add {out} mixed" \
  bsdtar "cd '$work/corpus' && exec bsdtar -a --options zip:compression-level=9 -cf {out} mixed"

# Our archive of the corpus, for extracting and deleting; extracted once and compared first.
rm -f "$work/ours.zip"
(cd "$work/corpus" && "$bench" add "$work/ours.zip" mixed >/dev/null)
rm -rf "$work/check" && mkdir "$work/check"
"$bench" extract "$work/ours.zip" "$work/check" >/dev/null
diff -r "$work/check/mixed" "$work/corpus/mixed" && echo "extracted tree identical to the corpus"
rm -rf "$work/check"

echo "== extracting it, each run into a fresh folder"
side -- \
  ours "exec '$bench' extract '$work/ours.zip' {fresh}" \
  bsdtar "exec bsdtar -xf '$work/ours.zip' -C {fresh}" \
  7zz "exec 7zz x -y -o{fresh} '$work/ours.zip'"

# Against copying the file, against copying it and flushing the copy to the disk (as we flush the
# new archive before it replaces the old one), and against 7-Zip's delete, which does not flush.
echo "== deleting 10 entries from it, against copying the file"
names=$(python3 -c '
import sys, zipfile
files = [i.filename for i in zipfile.ZipFile(sys.argv[1]).infolist() if not i.is_dir()]
print(" ".join(files[len(files) * k // 10] for k in range(10)))' "$work/ours.zip")
side --copy-of "$work/ours.zip" --check "$check_zip {copy}" -- \
  cp "exec cp {copy} {copy}.copy" \
  ours "exec '$bench' delete {copy} $names" \
  "cp and flush" "cp {copy} {copy}.copy && exec sync -d {copy}.copy" \
  "7zz d" "exec 7zz d -bd {copy} $names >/dev/null"
