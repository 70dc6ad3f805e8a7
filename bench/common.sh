# Shared by the benchmark scripts: the work folder, the build, the prefix and the corpus.
#   source bench/common.sh [work folder]   (default /tmp/pakrune-bench; the corpus is made once)
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=${1:-/tmp/pakrune-bench}
mkdir -p "$work"
"$repo/scripts/install-deps"
"$repo/scripts/build" >/dev/null
export PAKRUNE_PREFIX="$work/prefix"
if [ ! -f "$work/corpus/MANIFEST.txt" ]; then
  echo "making the corpus in $work/corpus ..." >&2
  python3 "$repo/../shared/bench/gen_corpus.py" "$work/corpus" >&2
fi
# The 100,000-entry archive, stored.
[ -f "$work/small.zip" ] || (cd "$work/corpus" && 7zz a -tzip -mx=0 "$work/small.zip" small >/dev/null)
