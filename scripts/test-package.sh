#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root and checks that every file is where
# the screen-saver daemon, the desktop and man look for it, and that the manual page renders.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(scripts/package-deb.sh | tail -1)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
for f in usr/libexec/xscreensaver/tressvale usr/bin/tressvale usr/bin/tressvale-render \
         usr/bin/tressvale-library usr/bin/tressvale-knot \
         usr/share/xscreensaver/config/tressvale.xml \
         usr/share/applications/screensavers/tressvale.desktop usr/share/man/man6/tressvale.6; do
  [ -f "$root/$f" ] || { echo "package lacks /$f"; exit 1; }
done
"$root/usr/bin/tressvale" --version
dpkg-deb -f "$deb" Depends | grep -q libx11 || { echo "package declares no libx11 dependency"; exit 1; }
man -l "$root/usr/share/man/man6/tressvale.6" 2>&1 | grep -q "XSCREENSAVER_WINDOW" || {
  echo "the manual page does not render"; exit 1; }
echo "package: $deb installs into a scratch root; manual page renders"
