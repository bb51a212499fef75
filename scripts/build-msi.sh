#!/usr/bin/env bash
# Builds the Windows installers out/tressvale-VERSION-x64.msi and out/tressvale-VERSION-x86.msi
# with wixl from backends/win32/tressvale.wxs, around the savers scripts/build-windows.sh made.
# Prints the paths of both installers.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v wixl >/dev/null || scripts/setup-debian.sh wixl
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/x86_64/CMakeCache.txt)
[ -n "$version" ] || { echo "build-msi: no version in build-windows/x86_64; run scripts/build-windows.sh"; exit 1; }
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# wixl finds its sources relative to the .wxs file, so everything is staged beside it.
cp backends/win32/tressvale.wxs backends/win32/tressvale.ico "$stage/"
mkdir -p out
for pair in x64:x86_64/backends/win32/tressvale64.scr x86:i686/backends/win32/tressvale.scr; do
  arch=${pair%%:*}
  cp "build-windows/${pair#*:}" "$stage/saver-$arch.scr"
  msi=out/tressvale-$version-$arch.msi
  (cd "$stage" && wixl -a "$arch" -D Arch="$arch" -D Version="$version" -D Scr="saver-$arch.scr" \
    -D Icon=tressvale.ico -o "installer-$arch.msi" tressvale.wxs)
  mv -f "$stage/installer-$arch.msi" "$msi"
  echo "$msi"
done
