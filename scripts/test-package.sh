#!/usr/bin/env bash
# Builds the Debian package and checks it as a distribution would: lintian finds no error or
# warning; unpacked into a scratch root, every file is where the screen-saver daemon, the desktop
# and man look for it, the saver is there once with a link in /usr/bin, the binaries are stripped
# (their symbols are in the -dbgsym package), the dependencies are declared, every program in
# /usr/bin has a manual page that renders and names each option of its usage text, and every
# program, the package and its changelog carry one version.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(scripts/package-deb.sh | tail -1)
failures=0
fail() { echo "FAIL package: $*"; failures=$((failures + 1)); }

echo "== lintian $deb"
ddeb=$(dirname "$deb")/tressvale-dbgsym_$(dpkg-deb -f "$deb" Version)_$(dpkg-deb -f "$deb" Architecture).ddeb
lintian --fail-on error,warning --display-info --pedantic "$deb" $([ -f "$ddeb" ] && echo "$ddeb") ||
  fail "lintian reports errors or warnings"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)

# Files and where they go: regular files, and the one link.
for f in usr/libexec/xscreensaver/tressvale usr/bin/tressvale-render usr/bin/tressvale-library \
         usr/bin/tressvale-knot usr/share/xscreensaver/config/tressvale.xml \
         usr/share/applications/screensavers/tressvale.desktop usr/share/doc/tressvale/copyright \
         usr/share/doc/tressvale/changelog.gz; do
  [ -f "$root/$f" ] && [ ! -L "$root/$f" ] || fail "no regular file /$f"
done
[ "$(readlink "$root/usr/bin/tressvale")" = ../libexec/xscreensaver/tressvale ] ||
  fail "/usr/bin/tressvale is not a relative link to the daemon's copy"
[ -x "$root/usr/bin/tressvale" ] || fail "/usr/bin/tressvale does not lead to the saver"

# Stripped binaries; their debugging symbols are in the -dbgsym package, by build id.
debug=0
if [ -f "$ddeb" ]; then
  debug=$(dpkg-deb -c "$ddeb" | awk '/\/usr\/lib\/debug\/\.build-id\/.*\.debug$/ { n++ } END { print n + 0 }')
fi
for f in "$root"/usr/bin/* "$root"/usr/libexec/xscreensaver/*; do
  [ -L "$f" ] && continue
  if grep -qE '\.debug_info|\.symtab' <(readelf -S "$f"); then fail "$(basename "$f") is not stripped"; fi
done
[ "$debug" -ge 4 ] || fail "$ddeb holds $debug debug files, not one per program"

# Declared dependencies: what the binaries link, the GL driver, the daemon they are made for.
deps=$(dpkg-deb -f "$deb" Depends)
for d in libx11-6 libpng16-16 libegl1 libgl1-mesa-dri libstdc++6; do
  [[ ", $deps," == *", $d "* || ", $deps," == *", $d,"* ]] || fail "Depends lacks $d: $deps"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = xscreensaver ] || fail "does not recommend xscreensaver"

# One version: the package, its changelog's latest entry and every program's --version.
logged=$(zcat "$root/usr/share/doc/tressvale/changelog.gz" | sed -n '1s/^tressvale (\([^)]*\)).*/\1/p')
[ "$logged" = "$version" ] || fail "changelog says $logged, package $version"
for p in "$root"/usr/bin/*; do
  out=$("$p" --version 2>&1) || out+=" (exit $?)"
  [ "$out" = "$(basename "$p") $version" ] || fail "$(basename "$p") --version says '$out', package $version"
done

# A manual page for every program in /usr/bin that renders cleanly and names each option its
# usage text names.
for p in "$root"/usr/bin/*; do
  name=$(basename "$p")
  pages=("$root"/usr/share/man/man[16]/"$name".[16].gz)
  page=${pages[0]}
  [ -f "$page" ] || { fail "no manual page for $name"; continue; }
  text=$(MANWIDTH=1000 man --warnings -l "$page" 2>"$root/man.err" | col -b) || fail "man -l $page fails"
  [ -s "$root/man.err" ] && fail "man -l $(basename "$page"): $(head -3 "$root/man.err")"
  [[ "$text" == *"$name"* ]] || fail "$(basename "$page") does not render"
  help=$("$p" --help 2>&1) || [ -n "$help" ] || fail "$name --help prints no usage"
  for option in $(grep -oE '(^|[ [|(])--?[a-z][a-z-]*' <<<"$help" | tr -d ' [|(' | sort -u); do
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$text" || fail "$(basename "$page") lacks $option"
  done
done

if [ $failures -gt 0 ]; then echo "package: $failures check(s) failed"; exit 1; fi
echo "package: $deb ($(stat -c %s "$deb") bytes, $version) is lintian-clean; files, link, stripped" \
  "binaries, dependencies, versions and the manual pages of $(ls "$root"/usr/bin | wc -l) programs check out"
