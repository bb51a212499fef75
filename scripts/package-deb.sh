#!/usr/bin/env bash
# Builds the Debian package of the saver and its tools into out/: tressvale_VERSION_ARCH.deb and
# its debugging symbols, tressvale-dbgsym_VERSION_ARCH.ddeb. Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
rm -rf out/cpack out/tressvale_*.deb out/tressvale-dbgsym_*.ddeb
mkdir -p out
cpack --config build/CPackConfig.cmake -B out/cpack >/dev/null
deb=$(basename out/cpack/*.deb)
mv -f out/cpack/*.deb out/
# CPack lists the debug files in md5sums by their build-time paths and gives the symbols package
# no documentation: repack it with package-relative sums and the main package's documentation,
# linked as Debian's own -dbgsym packages do.
if ddeb=$(cd out/cpack && ls ./*.ddeb 2>/dev/null); then
  tree=out/cpack/dbgsym
  dpkg-deb -R "out/cpack/$ddeb" "$tree"
  (cd "$tree" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
  mkdir -p "$tree/usr/share/doc"
  ln -s tressvale "$tree/usr/share/doc/tressvale-dbgsym"
  dpkg-deb --root-owner-group -Zxz -b "$tree" "out/$ddeb" >/dev/null
else
  echo "package-deb: no debugging symbols package, so the binaries are not stripped" >&2
fi
rm -rf out/cpack
echo "out/$deb"
