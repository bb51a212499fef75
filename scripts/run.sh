#!/usr/bin/env bash
# Installs what is missing, builds, and runs the saver: in a window where there is an X display,
# otherwise a few seconds of it as PNG frames in out/frames/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
scripts/build.sh
if [ -n "${DISPLAY:-}" ]; then
  if [ -x build/backends/x11/tressvale ]; then
    exec build/backends/x11/tressvale "$@"
  fi
  echo "No X11 saver in this build; drawing PNG frames instead."
fi
rm -rf out/frames
build/backends/headless/tressvale-render --out out/frames --frames 300 --step-ms 30 --size 1280x720 "$@"
echo "Frames: out/frames/frame-000001.png ... frame-000300.png (9 s of the saver, 30 ms apart)."
