#!/usr/bin/env bash
# Rebuilds the stored knot block (data/knots.bin) and its names (data/knot-names.txt) from the
# tables in tools/knotgen/tables. Takes a few minutes; the normal build never runs it.
# Extra arguments go to the generator (for example --preview contact.png).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tressvale-knotgen -j"$(nproc)"
build/tools/knotgen/tressvale-knotgen --tables tools/knotgen/tables \
  --out data/knots.bin --names data/knot-names.txt "$@"
