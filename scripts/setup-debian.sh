#!/usr/bin/env bash
# Installs the Debian 12 packages the build and tests need. Idempotent; apt runs only when
# something is missing.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libpng-dev
  libopengl-dev libx11-dev libglx-dev xvfb xauth
  # The Linux saver's tests: the screen-saver daemon, XML check, manual pages, package tools, pgrep
  xscreensaver libxml2-utils man-db dpkg-dev file procps
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
