#!/usr/bin/env bash
# Redraws the saver's icon (backends/win32/tressvale.ico): stored knot 3_1, Smooth style, drawn
# by tressvale-render at 16, 32, 48 and 256 pixels. Needs the native build (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for size in 16 32 48 256; do
  build/backends/headless/tressvale-render --defaults --knot 2 --style Smooth \
    --size "${size}x${size}" --png "$out/$size.png" >/dev/null
done
python3 scripts/make-icon.py backends/win32/tressvale.ico "$out"/{16,32,48,256}.png
echo "backends/win32/tressvale.ico"
