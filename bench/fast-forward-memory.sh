#!/usr/bin/env bash
# Peak memory of a long fast-forward against the first minute's: tressvale-render --png at
# 60,000 ms and at MS (default a week of saver time, 604,800,000 ms: about a minute and a half on
# 2 cores), seed 3, the default settings. Fails when the long run peaks more than 5 MiB above the
# first minute, which is what a scene that keeps what it no longer needs shows.
# Usage: bench/fast-forward-memory.sh BUILD_DIR [MS]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
render=$1/backends/headless/tressvale-render
ms=${2:-604800000}
[ -x "$render" ] || { echo "no $render: build tressvale-render first" >&2; exit 2; }
"$top/scripts/setup-debian.sh" time >/dev/null  # GNU time reads the peak resident size
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Peak resident KiB and wall seconds of one fast-forward to $1 ms.
peak() {
  timeout 3600 /usr/bin/time -o "$out/time" -f '%M %e' \
    "$render" --defaults --seed 3 --png "$out/frame.png" --at "$1" >/dev/null ||
    { echo "tressvale-render --at $1 failed" >&2; exit 1; }
  cat "$out/time"
}

read -r first first_s < <(peak 60000)
read -r long long_s < <(peak "$ms")
awk -v f="$first" -v fs="$first_s" -v l="$long" -v ls="$long_s" -v ms="$ms" 'BEGIN {
  printf "peak RSS: %.1f MiB at 60000 ms (%s s), %.1f MiB at %s ms (%s s), %+.1f MiB\n",
         f / 1024, fs, l / 1024, ms, ls, (l - f) / 1024 }'
if [ $((long - first)) -gt 5120 ]; then
  echo "FAIL: the long run peaks more than 5 MiB above the first minute" >&2
  exit 1
fi
