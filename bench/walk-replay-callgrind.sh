#!/usr/bin/env bash
# Instructions of the walk against the replay of its GL stream, with every effect on, counted by
# callgrind (llvmpipe on the calling thread, so Mesa's share is counted too).
# Usage: bench/walk-replay-callgrind.sh BUILD_DIR [OUT_FILE]
set -eu
bench=$1/bench/tressvale-render-bench
out=${2:-$(mktemp /tmp/walk-replay.XXXXXX.callgrind)}
[ -x "$bench" ] || { echo "no $bench: build with -DTRESSVALE_BENCH=ON" >&2; exit 2; }
LP_NUM_THREADS=0 timeout 1200 valgrind --tool=callgrind --callgrind-out-file="$out" "$bench" \
  --benchmark_filter='effects:1' --benchmark_min_time=0.01 >/dev/null 2>&1
callgrind_annotate --inclusive=yes "$out" 2>/dev/null |
  awk '/DrawWithWalk/ {gsub(",", "", $1); walk = $1}
       /DrawReplay/ {gsub(",", "", $1); replay = $1}
       END {printf "walk %d  replay %d  ratio %.4f\n", walk, replay, walk / replay}'
echo "profile: $out"
