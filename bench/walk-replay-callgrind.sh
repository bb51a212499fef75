#!/usr/bin/env bash
# Instructions per frame of the walk against the replay of its GL stream, with every effect on,
# counted by callgrind (llvmpipe on the calling thread, so Mesa's share is counted too). Only the
# calls of the timed loop count: the warm-up walk also pays llvmpipe's first use of its state.
# Usage: bench/walk-replay-callgrind.sh BUILD_DIR [OUT_FILE]
set -eu
bench=$1/bench/tressvale-render-bench
out=${2:-$(mktemp /tmp/walk-replay.XXXXXX.callgrind)}
[ -x "$bench" ] || { echo "no $bench: build with -DTRESSVALE_BENCH=ON" >&2; exit 2; }
LP_NUM_THREADS=0 timeout 1200 valgrind --tool=callgrind --callgrind-out-file="$out" "$bench" \
  --benchmark_filter='effects:1' --benchmark_min_time=0.01 >/dev/null 2>&1
# The loop's calls are the ones indented one level deeper than the warm-up's in the source.
callgrind_annotate --inclusive=yes "$out" 2>/dev/null |
  awk '/=> .*(DrawWithWalk|DrawReplay)/ && prev ~ /%\)      Draw/ {
         calls = $0; sub(/.*\(/, "", calls); sub(/x\).*/, "", calls)
         gsub(",", "", $1)
         if ($0 ~ /DrawWithWalk/) walk = $1 / calls; else replay = $1 / calls
       }
       { prev = $0 }
       END {
         if (!walk || !replay) { print "walk or replay not found in the profile"; exit 1 }
         printf "per frame: walk %.1f M, replay %.1f M instructions, ratio %.4f\n",
                walk / 1e6, replay / 1e6, walk / replay
       }'
echo "profile: $out"
