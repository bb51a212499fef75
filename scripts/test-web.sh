#!/usr/bin/env bash
# The browser front end in a real browser: builds the bundle, serves it on a free local port and
# runs tests/web (puppeteer-core driving Debian's headless Chromium with software WebGL 2) against
# it and against tressvale-render from build/. Every case has its own time bound; the server is
# stopped by its process id.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh emscripten chromium nodejs
command -v npm >/dev/null || scripts/setup-debian.sh npm
render=$PWD/build/backends/headless/tressvale-render
[ -x "$render" ] || { echo "test-web: no $render; run scripts/build.sh first" >&2; exit 1; }
scripts/build-web.sh
(cd tests/web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)

log=$(mktemp)
python3 -u -m http.server --bind 127.0.0.1 --directory out/web 0 >"$log" 2>&1 &
server=$!
stop() {
  set +e  # the server ends by the signal: its status is not the tests'
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  rm -f "$log"
}
trap stop EXIT
# The server prints its port once it listens.
port=
for _ in $(seq 200); do
  port=$(sed -n 's/.* port \([0-9][0-9]*\) .*/\1/p' "$log")
  [ -n "$port" ] && break
  kill -0 "$server" 2>/dev/null || { cat "$log" >&2; exit 1; }
  sleep 0.05
done
[ -n "$port" ] || { echo "test-web: the server did not start" >&2; exit 1; }

TV_WEB_URL=http://127.0.0.1:$port/ TV_RENDER=$render TV_CHROMIUM=$(command -v chromium) \
  timeout 600 node --test --test-concurrency=1 tests/web/
