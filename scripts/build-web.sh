#!/bin/sh
# Builds the browser front end into out/web/: index.html, gallery.html, their scripts, and
# tressvale.js/.wasm with the knot block embedded. Needs Debian's emscripten.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/out/web-build
out=$root/out/web
# Emscripten's JavaScript optimizer finds its modules under Debian's node folder.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
command -v emcmake >/dev/null || { echo "build-web: emscripten is not installed (apt-get install emscripten)" >&2; exit 1; }
launcher=
if command -v ccache >/dev/null; then
  launcher=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_COMPILERTYPE=clang  # em++ passes clang's options through
fi
generator=; command -v ninja >/dev/null && generator="-G Ninja"
if [ ! -f "$build/CMakeCache.txt" ]; then
  # shellcheck disable=SC2086
  emcmake cmake -S "$root/backends/web" -B "$build" $generator $launcher -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2
mkdir -p "$out"
cp "$build/tressvale.js" "$build/tressvale.wasm" "$out/"
for page in "$root"/backends/web/*.html "$root"/backends/web/*.js "$root"/backends/web/*.css; do
  [ -e "$page" ] || continue
  case $(basename "$page") in WebGl.js) continue ;; esac  # linked into tressvale.js
  cp "$page" "$out/"
done
# The settings panel lays itself out from the Windows configuration dialog's own resource.
python3 "$root/backends/web/dialog_from_rc.py" "$root/backends/win32/tressvale.rc" >>"$out/settings.js"
echo "build-web: $out ($(du -sk "$out" | cut -f1) KiB)"
