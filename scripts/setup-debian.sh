#!/usr/bin/env bash
# Installs the Debian 12 packages the build and tests need, and any further packages named on the
# command line (an ARCH-qualified name such as wine32:i386 adds that architecture). Idempotent; apt
# runs only when something is missing.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libpng-dev
  libopengl-dev libx11-dev libglx-dev xvfb xauth
  # The Linux saver's tests: the screen-saver daemon, XML check, manual pages, package tools, pgrep
  xscreensaver libxml2-utils man-db dpkg-dev file procps lintian
  # The X11 saver's tests: user input through XTEST (xdotool) and window properties (xprop)
  xdotool x11-utils
  "$@"
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  for arch in $(printf '%s\n' "${missing[@]}" | sed -n 's/.*:\(.*\)$/\1/p' | sort -u); do
    dpkg --print-foreign-architectures | grep -qx "$arch" || $SUDO dpkg --add-architecture "$arch"
  done
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi
