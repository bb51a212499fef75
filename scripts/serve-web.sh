#!/bin/sh
# Serves the browser bundle (out/web/, from scripts/build-web.sh) on http://127.0.0.1:PORT/
# (PORT defaults to 8000): the saver at /, the gallery at /gallery.html.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
[ -f "$root/out/web/index.html" ] || { echo "serve-web: no bundle in out/web; run scripts/build-web.sh" >&2; exit 1; }
port=${1:-${PORT:-8000}}
echo "serve-web: http://127.0.0.1:$port/ (Ctrl-C stops)"
exec python3 -u -m http.server --bind 127.0.0.1 --directory "$root/out/web" "$port"
