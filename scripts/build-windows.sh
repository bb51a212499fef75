#!/usr/bin/env bash
# Cross-builds the Windows saver with MinGW-w64: tressvale.scr (32-bit, SSE2 doubles) and
# tressvale64.scr (64-bit), both linked statically, and out/tressvale-windows.zip holding both
# with the install notes. Build folders: build-windows/i686 and build-windows/x86_64.
# With arguments ARCH TARGET...: only those targets in that folder (the portability check builds
# the core libraries there, so the saver's build reuses them).
set -euo pipefail
cd "$(dirname "$0")/.."
need=()
for tool in i686-w64-mingw32-g++-posix:g++-mingw-w64-i686-posix \
            x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64-posix zip:zip; do
  command -v "${tool%%:*}" >/dev/null || need+=("${tool#*:}")
done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
build() {  # arch targets...
  cmake -S . -B "build-windows/$1" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$1.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTRESSVALE_TESTS=OFF -DTRESSVALE_BENCH=OFF >/dev/null
  cmake --build "build-windows/$1" -j"$jobs" --target "${@:2}"
}
if [ $# -gt 0 ]; then
  build "$@"
  exit
fi
for arch in i686 x86_64; do build "$arch" tressvale_scr; done
mkdir -p out
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp build-windows/i686/backends/win32/tressvale.scr build-windows/x86_64/backends/win32/tressvale64.scr "$stage/"
sed 's/$/\r/' backends/win32/INSTALL.txt > "$stage/INSTALL.txt"
rm -f out/tressvale-windows.zip
(cd "$stage" && zip -q -9 "$OLDPWD/out/tressvale-windows.zip" tressvale.scr tressvale64.scr INSTALL.txt)
ls -l build-windows/i686/backends/win32/tressvale.scr build-windows/x86_64/backends/win32/tressvale64.scr \
  out/tressvale-windows.zip
