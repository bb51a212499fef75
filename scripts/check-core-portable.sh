#!/usr/bin/env bash
# The core under src/ must build for 32-bit Windows as well as Linux and may include no
# window-system or operating-system header. Checks both: a header scan, then (with --cross) a
# MinGW-w64 i686 build of every core library.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=$(grep -rnE '#\s*include\s*[<"](windows\.h|winreg\.h|X11/|EGL/|GL/glx|GL/wgl|unistd\.h|fcntl\.h|pthread\.h|dlfcn\.h|sys/)' src || true)
if [ -n "$bad" ]; then
  echo "Platform headers in the core:"
  echo "$bad"
  exit 1
fi
echo "core headers: platform-free"
[ "${1:-}" = "--cross" ] || exit 0

# In the 32-bit saver's own build folder, so the Windows stage compiles these libraries only once.
scripts/build-windows.sh i686 tv_foundation tv_knots tv_library tv_settings tv_render tv_saver \
  tv_display tv_host
echo "core libraries: built with MinGW-w64 i686 (SSE2 doubles)"
