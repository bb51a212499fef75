#!/usr/bin/env bash
# Installs what is missing, builds everything, runs every test, and checks that the core still
# builds for 32-bit Windows; then the browser front end in headless Chromium, the Debian package,
# the same tests under AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows savers
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
export TRESSVALE_WERROR=1  # every build below fails on a compiler warning
scripts/setup-debian.sh
scripts/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
sed -n '/^SKIP /p' build/Testing/Temporary/LastTest.log  # why a skipped case did not run
scripts/test-web.sh
scripts/check-core-portable.sh --cross
scripts/test-package.sh
scripts/test-sanitizers.sh
scripts/test-windows.sh
