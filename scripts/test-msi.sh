#!/usr/bin/env bash
# The Windows installers under Wine: each MSI installs silently (msiexec /i /qn), puts its saver
# into the system folder and registers it under "Add or remove programs" with the product's name,
# version, publisher and icon; the installed saver runs full screen (/s) and closes on a key (the
# end-to-end driver's measuring run); a silent uninstall (msiexec /x /qn) leaves neither file
# nor entry. Called by scripts/test-windows.sh on its display and prefix, after the driver is
# built; run alone, it makes its own display and a fresh prefix under build-wine/msi-prefix.
# The 32-bit installer runs where 32-bit Wine can start; elsewhere it prints a SKIP line.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$root/build-wine
wine64=/usr/lib/wine/wine64
driver=$work/x86_64/tests/win32/tv_wine_driver.exe
[ -f "$driver" ] || { echo "FAIL msi: no driver at $driver (scripts/test-windows.sh builds it)"; exit 1; }
built=$(scripts/build-msi.sh)
mapfile -t msis <<<"$built"
[ ${#msis[@]} = 2 ] || { echo "FAIL msi: build-msi.sh made ${#msis[@]} installers, not 2"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/x86_64/CMakeCache.txt)

winpath() { local p=${1//\//\\}; echo "Z:$p"; }
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  source "$root/scripts/wine-session.sh"
  trap stop_wine_session EXIT
  start_wine_session "$work" msi-prefix
fi
if /usr/lib/wine/wine --version >/dev/null 2>&1; then can32=1; else can32=0; fi

# Wine's background processes may keep a pipe open: its programs write to a file, read after.
win() {  # seconds program args...
  local rc=0
  timeout -k 10 "$1" "$wine64" "${@:2}" >"$work/msi-out.txt" 2>/dev/null </dev/null || rc=$?
  tr -d '\r' <"$work/msi-out.txt"
  return $rc
}
# The values of the registry keys under $1 that hold the value $2 = Tressvale, as NAME=VALUE lines.
product() {
  local listing
  listing=$(win 60 reg query "$1" /s) || return 0  # no such key: no product either
  awk -v name="$2" '
    /^HKEY_/ { key = $0; next }
    NF >= 3 { value = $3; for (i = 4; i <= NF; i++) value = value " " $i; v[key, $1] = value; keys[key] = 1 }
    END { for (k in keys) if (v[k, name] == "Tressvale") for (kn in v) { split(kn, p, SUBSEP)
            if (p[1] == k) print p[2] "=" v[kn] } }' <<<"$listing" | sort
}
uninstall_entry() {  # 32-bit products may be listed in the 32-bit view
  for key in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
             'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'; do
    product "$key" DisplayName
  done
}
advertised() { product 'HKCR\Installer\Products' ProductName; }
unixpath() { local p=${1#C:}; echo "$WINEPREFIX/drive_c${p//\\//}"; }

failures=0
check() {  # name condition-result
  if [ "$2" = 0 ]; then echo "PASS msi $1"; else echo "FAIL msi $1"; failures=$((failures + 1)); fi
}
for msi in "${msis[@]}"; do
  arch=${msi%.msi}; arch=${arch##*-}
  if [ "$arch" = x64 ]; then scr=$WINEPREFIX/drive_c/windows/system32/tressvale64.scr
  else scr=$WINEPREFIX/drive_c/windows/syswow64/tressvale.scr; fi
  name=$(basename "$msi")
  if [ "$arch" = x86 ] && [ $can32 = 0 ]; then
    echo "SKIP msi $name: 32-bit programs cannot run here"
    continue
  fi
  echo "== $name ($(stat -c %s "$msi") bytes) under Wine"
  rc=0; win 300 msiexec /i "$(winpath "$root/$msi")" /qn || rc=$?
  check "$name: msiexec /i /qn ends with 0" "$rc"
  check "$name: the saver is in the system folder" "$([ -f "$scr" ]; echo $?)"
  entry=$(uninstall_entry)
  grep -qx "DisplayVersion=$version" <<<"$entry" && grep -qx 'Publisher=Pervik' <<<"$entry"
  check "$name: an uninstall entry \"Tressvale\" of version $version from Pervik" "$?"
  icon=$(advertised | sed -n 's/^ProductIcon=//p')
  check "$name: the product's icon is registered and in place" "$([ -n "$icon" ] && [ -s "$(unixpath "$icon")" ]; echo $?)"
  rc=0  # the driver's "measure" run: /s for 6 s, then a key, and exit code 0 within 2 s
  timeout -k 10 120 "$wine64" "$driver" "C:\\windows\\$(basename "$(dirname "$scr")")\\$(basename "$scr")" - \
    measure >"$work/msi-driver-$arch.log" 2>&1 </dev/null || rc=$?
  tr -d '\r' <"$work/msi-driver-$arch.log"
  check "$name: the installed saver runs full screen and closes on a key" "$rc"
  rc=0; win 300 msiexec /x "$(winpath "$root/$msi")" /qn || rc=$?
  check "$name: msiexec /x /qn ends with 0" "$rc"
  check "$name: uninstall leaves neither saver, icon nor entry" \
    "$([ ! -e "$scr" ] && [ ! -e "$(unixpath "$icon")" ] && [ -z "$(uninstall_entry)$(advertised)" ]; echo $?)"
done
[ $failures = 0 ] && echo "installers: all passed" || { echo "installers: $failures check(s) failed"; exit 1; }
