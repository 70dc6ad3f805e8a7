#!/usr/bin/env bash
# A file of more than 2 GiB through adding and extracting: both stream it, so their peak memory
# stays bounded. Prints the time and the peak memory of each call (GNU time's maximum resident
# set) and checks the extracted file against the original.
#   bench/large-file.sh [work folder] [level]   (default /tmp/pakrune-bench, level 1)
set -euo pipefail
source "$(dirname "$0")/common.sh" "${1:-}"
level=${2:-1}
bench="$repo/build/bin/engine_bench"
mkdir -p "$work/large/in"
big="$work/large/in/big.bin"
[ -f "$big" ] || head -c $(((2 << 30) + 12345)) /dev/urandom >"$big"
rm -rf "$work/large/big.zip" "$work/large/out" && mkdir "$work/large/out"
cd "$work/large"
/usr/bin/time -f "add at level $level: %e s, peak %M KB" "$bench" add big.zip in "$level" | grep -v seconds
/usr/bin/time -f "extract: %e s, peak %M KB" "$bench" extract big.zip out | grep -v seconds
cmp in/big.bin out/in/big.bin && echo "extracted file identical"
rm -rf "$work/large/out" "$work/large/big.zip"
