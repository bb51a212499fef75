#!/usr/bin/env bash
# Mutation run: shows whether the tests notice small faults planted in the product code.
# Usage: scripts/mutate.sh [--only FILE] [--lines A-B] BUILD_DIR LIST [CTEST_ARGS...]
# LIST has one mutant a line, FILE|LINE|FROM|TO: the first FROM at or after LINE in FILE becomes
# TO (blank lines and lines starting with # are skipped). --only keeps the mutants of one file,
# --lines those whose LINE lies in A..B. Each mutant is built into BUILD_DIR (incrementally), the
# tests are run, and the file is restored. The tests are ctest in BUILD_DIR with CTEST_ARGS, or,
# when MUTATE_TEST_COMMAND is set, that shell command (run from the top of the checkout, with
# BUILD_DIR in $MUTATE_BUILD): its exit status 0 means the mutant survived. MUTATE_TARGETS
# (space-separated) builds only those targets instead of everything, for a quicker partial run.
# Prints one line per mutant (killed / SURVIVED / no-build / not found) and a total; exits 1 when
# a mutant survived or was not found, so a run can gate.
set -uo pipefail
only='' lines=''
while [ $# -gt 0 ]; do
  case $1 in
    --only) only=$2; shift 2 ;;
    --lines) lines=$2; shift 2 ;;
    *) break ;;
  esac
done
if [ $# -lt 2 ] || [ ! -f "$2" ] || [ ! -d "$1" ]; then
  echo "usage: $0 [--only FILE] [--lines A-B] BUILD_DIR LIST [CTEST_ARGS...]" >&2
  exit 2
fi
build=$(realpath "$1") list=$(realpath "$2")
shift 2
cd "$(dirname "$0")/.." || exit 2
export MUTATE_BUILD=$build

run_tests() {
  if [ -n "${MUTATE_TEST_COMMAND:-}" ]; then
    bash -c "$MUTATE_TEST_COMMAND"
  else
    ctest --test-dir "$build" -j2 --stop-on-failure "$@"
  fi
}

saved='' file=''
restore() { if [ -n "$saved" ]; then cp "$saved" "$file" && rm -f "$saved"; saved=; fi; }
trap restore EXIT
trap 'restore; exit 130' INT TERM

total=0 killed=0 survived=0 unbuilt=0 missing=0
while IFS='|' read -r file line from to; do
  [ -z "$file" ] || [ "${file:0:1}" = "#" ] && continue
  [ -n "$only" ] && [ "$file" != "$only" ] && continue
  if [ -n "$lines" ] && { [ "$line" -lt "${lines%-*}" ] || [ "$line" -gt "${lines#*-}" ]; }; then
    continue
  fi
  total=$((total + 1))
  saved=$(mktemp)
  cp "$file" "$saved"
  if ! python3 - "$file" "$line" "$from" "$to" <<'PY'; then
import sys
path, start, old, new = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
lines = open(path).read().split('\n')
for i in range(start - 1, len(lines)):
    if old in lines[i]:
        lines[i] = lines[i].replace(old, new, 1)
        open(path, 'w').write('\n'.join(lines))
        sys.exit(0)
sys.exit(1)
PY
    echo "$file:$line '$from': not found"
    missing=$((missing + 1))
    restore
    continue
  fi
  if ! cmake --build "$build" -j2 ${MUTATE_TARGETS:+--target $MUTATE_TARGETS} >/dev/null 2>&1; then
    result=no-build
    unbuilt=$((unbuilt + 1))
  elif run_tests "$@" >/dev/null 2>&1; then
    result=SURVIVED
    survived=$((survived + 1))
  else
    result=killed
    killed=$((killed + 1))
  fi
  echo "$file:$line '$from' -> '$to': $result"
  restore
done <"$list"
cmake --build "$build" -j2 ${MUTATE_TARGETS:+--target $MUTATE_TARGETS} >/dev/null 2>&1 ||
  echo "rebuild of the restored tree failed" >&2
echo "mutants: $total, killed: $killed, survived: $survived, no-build: $unbuilt, not found: $missing"
[ "$survived" -eq 0 ] && [ "$missing" -eq 0 ]
