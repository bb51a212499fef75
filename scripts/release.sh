#!/usr/bin/env bash
# Builds every release artefact into out/ and writes out/SHA256SUMS over them:
#   tressvale_VERSION_ARCH.deb, tressvale-dbgsym_VERSION_ARCH.ddeb   Debian package, its symbols
#   tressvale-VERSION-windows.zip                                    both Windows savers, no installer
#   tressvale-VERSION-x64.msi, tressvale-VERSION-x86.msi             Windows installers
#   tressvale-VERSION-web.zip                                        browser bundle (scripts/build-web.sh)
# Every build fails on a compiler warning.
set -euo pipefail
cd "$(dirname "$0")/.."
export TRESSVALE_WERROR=1
scripts/setup-debian.sh lintian wixl zip
rm -f out/SHA256SUMS out/tressvale-*-windows.zip out/tressvale-*.msi out/tressvale-*-web.zip
scripts/package-deb.sh >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
scripts/build-windows.sh >/dev/null
mv out/tressvale-windows.zip "out/tressvale-$version-windows.zip"
scripts/build-msi.sh >/dev/null
if [ -f scripts/build-web.sh ]; then
  scripts/build-web.sh >/dev/null
  (cd out && zip -q -r -9 "tressvale-$version-web.zip" web)
else
  echo "SKIP browser bundle: there is no scripts/build-web.sh yet"
fi
cd out
sha256sum tressvale_"$version"_*.deb tressvale-dbgsym_"$version"_*.ddeb tressvale-"$version"-* >SHA256SUMS
cat SHA256SUMS
ls -l $(cut -d' ' -f3 SHA256SUMS)
