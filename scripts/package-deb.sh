#!/usr/bin/env bash
# Builds the Debian package of the saver and its tools into out/ (tressvale_VERSION_ARCH.deb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
mkdir -p out
cpack --config build/CPackConfig.cmake -B out/cpack
mv -f out/cpack/*.deb out/
rm -rf out/cpack
ls out/*.deb
