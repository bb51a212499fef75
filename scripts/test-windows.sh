#!/usr/bin/env bash
# Windows stage of the test command: builds both savers, checks their PE headers, runs the core and
# host unit tests as Windows programs and the end-to-end driver against the savers, all under Wine
# on a private Xvfb display, then measures frame rates. 32-bit cases run only where this machine
# can execute 32-bit programs; elsewhere each one prints a SKIP line.
# Output: build-wine/ (prefix, builds, screenshots in build-wine/shots-*/*.png).
# --quick [CASE]: the 64-bit saver alone, its platform and host unit tests and the driver (only the
# driver cases whose names hold CASE): no zip, no 32-bit build, no frame rates. For trying a change,
# such as a planted fault.
set -euo pipefail
trap 'echo "FAIL: scripts/test-windows.sh line $LINENO: $BASH_COMMAND (exit $?)"' ERR
cd "$(dirname "$0")/.."
root=$PWD
work=$root/build-wine
wine64=/usr/lib/wine/wine64
wine32=/usr/lib/wine/wine
failures=0
quick=0 only=
if [ "${1:-}" = --quick ]; then quick=1 only=${2:-}; fi

# --- packages: Wine (64- and 32-bit, with 32-bit Mesa); the driver takes its own screenshots.
"$root/scripts/setup-debian.sh" wine wine64 wine32:i386 libgl1:i386 libglx-mesa0:i386 \
  libgl1-mesa-dri:i386 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix

# Some machines cannot execute 32-bit programs at all ("Exec format error"): try Wine's loader.
if "$wine32" --version >/dev/null 2>&1; then can32=1; else can32=0; fi
echo "32-bit Wine: $([ $can32 = 1 ] && echo runs here || echo cannot start here, 32-bit cases skipped)"

# --- builds: the savers and the zip, then the tests for each Windows target.
if [ $quick = 1 ] && [ -d build-windows/x86_64 ]; then
  cmake --build build-windows/x86_64 -j2 --target tressvale_scr >/dev/null
else
  scripts/build-windows.sh
fi
scr32=$root/build-windows/i686/backends/win32/tressvale.scr
scr64=$root/build-windows/x86_64/backends/win32/tressvale64.scr
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
build_tests() {  # arch emulator targets...
  cmake -S . -B "$work/$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$1.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTRESSVALE_BENCH=OFF -DCMAKE_CROSSCOMPILING_EMULATOR="$2" >/dev/null
  cmake --build "$work/$1" -j"$jobs" --target $suites "${@:3}" >"$work/build-$1.log" ||
    { tail -30 "$work/build-$1.log"; exit 1; }
}
# Suites that need no EGL (the pixel tests) and no POSIX store (the file-store tests).
suites="foundation_tests knots_tests library_tests render_tests saver_tests prepared_knot_tests display_tests
        settings_tests host_tests win32_tests"
if [ $quick = 1 ]; then
  suites="host_tests win32_tests" can32=0
  echo "quick: 64-bit only; the other unit tests, the 32-bit saver and the frame rates are left out"
fi
mkdir -p "$work"
build_tests x86_64 "$wine64" tv_wine_driver tv_password_cpl  # one driver serves both savers
if [ $can32 = 1 ]; then build_tests i686 "$wine32" tv_password_cpl; fi

# --- PE headers: machine, GUI subsystem, the oldest Windows the savers run on (Vista, 6.0) as OS
# and subsystem version, system DLLs only, and no function that Windows lacks (by the first version
# that has it; the runtime's own imports are older than Vista).
allowed=" opengl32.dll glu32.dll gdi32.dll user32.dll kernel32.dll advapi32.dll comctl32.dll shell32.dll winmm.dll msvcrt.dll "
oldest=6.0
since="GetTickCount64:6.0 InitializeSRWLock:6.0 AcquireSRWLockExclusive:6.0 AcquireSRWLockShared:6.0
  InitializeConditionVariable:6.0 SleepConditionVariableCS:6.0 SleepConditionVariableSRW:6.0 InitOnceExecuteOnce:6.0
  WakeConditionVariable:6.0 WakeAllConditionVariable:6.0 TryAcquireSRWLockExclusive:6.1 TryAcquireSRWLockShared:6.1
  QueryUnbiasedInterruptTime:6.1 GetCurrentProcessorNumberEx:6.1 GetSystemTimePreciseAsFileTime:6.2 CreateFile2:6.2
  WaitOnAddress:6.2 WakeByAddressSingle:6.2 WakeByAddressAll:6.2 SetDefaultDllDirectories:6.2 AddDllDirectory:6.2
  SetThreadDescription:10.0 GetThreadDescription:10.0"
check_pe() {  # file expected-format
  local dump bad="" os sub fn entry
  dump=$(objdump -p "$1")
  grep -q "file format $2\$" <<<"$dump" || bad+=" machine"
  grep -q 'Subsystem.*(Windows GUI)' <<<"$dump" || bad+=" subsystem"
  os=$(awk '/^MajorOSystemVersion/ {a = $2} /^MinorOSystemVersion/ {b = $2} END {print a "." b}' <<<"$dump")
  sub=$(awk '/^MajorSubsystemVersion/ {a = $2} /^MinorSubsystemVersion/ {b = $2} END {print a "." b}' <<<"$dump")
  [ "$os/$sub" = "$oldest/$oldest" ] || bad+=" os/subsystem:$os/$sub"
  for dll in $(awk '/DLL Name:/ {print tolower($3)}' <<<"$dump"); do
    [[ "$allowed" == *" $dll "* ]] || bad+=" import:$dll"
  done
  for fn in $(awk '/DLL Name:/ {on = 1} on && NF == 3 && $2 ~ /^[0-9]+$/ {print $3}' <<<"$dump"); do
    for entry in $since; do
      if [ "${entry%:*}" = "$fn" ] && awk -v a="${entry#*:}" -v b=$oldest 'BEGIN {exit !(a > b)}'; then
        bad+=" import:$fn(Windows ${entry#*:})"
      fi
    done
  done
  if [ -z "$bad" ]; then echo "PASS PE $(basename "$1"): $2, GUI, Windows $oldest, system DLLs and functions only"
  else echo "FAIL PE $(basename "$1"):$bad"; failures=$((failures + 1)); fi
}
[ $quick = 1 ] || check_pe "$scr32" pei-i386
check_pe "$scr64" pei-x86-64

winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# --- one X display and one wineserver for the whole run; only those two are stopped at the end.
source "$root/scripts/wine-session.sh"
trap stop_wine_session EXIT
start_wine_session "$work" prefix

# --- unit tests as Windows programs.
run_suites() {  # arch
  echo "== unit tests, $1, under Wine"
  timeout 600 ctest --test-dir "$work/$1" --output-on-failure -R "^($(echo $suites | tr ' ' '|'))\$" ||
    failures=$((failures + 1))
}
run_suites x86_64

# --- end to end: the driver against a saver copied into a folder whose name has spaces, beside
# the stand-in PASSWORD.CPL of the same width.
# Wine's own background processes keep a pipe open: Windows programs write to files, read after.
driver=$work/x86_64/tests/win32/tv_wine_driver.exe
drive() {  # log args...: runs the driver, bounded, and shows what it printed
  local log=$1 rc=0
  shift
  timeout -k 10 600 "$wine64" "$driver" "$@" >"$log" 2>&1 || rc=$?
  tr -d '\r' <"$log"
  return $rc
}
# The driver's screenshots become PNGs of their colour alone: GDI leaves alpha 0 where it drew text.
to_png() {  # folder
  python3 - "$1" <<'PY'
import pathlib, struct, sys, zlib
for bmp in pathlib.Path(sys.argv[1]).glob('*.bmp'):
    data = bmp.read_bytes()
    offset, (width, height) = struct.unpack_from('<I', data, 10)[0], struct.unpack_from('<ii', data, 18)
    raw = bytearray()
    for y in range(abs(height)) if height < 0 else reversed(range(height)):
        row, rgb = data[offset + 4 * width * y:offset + 4 * width * (y + 1)], bytearray(3 * width)
        rgb[0::3], rgb[1::3], rgb[2::3] = row[2::4], row[1::4], row[0::4]
        raw += b'\0' + rgb
    chunk = lambda kind, body: struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    head = struct.pack('>IIBBBBB', width, abs(height), 8, 2, 0, 0, 0)
    bmp.with_suffix('.png').write_bytes(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', head) +
                                        chunk(b'IDAT', zlib.compress(bytes(raw), 6)) + chunk(b'IEND', b''))
    bmp.unlink()
PY
}
run_driver() {  # arch scr
  local dir="$work/run $1" shots=$work/shots-$1
  rm -rf "$dir" "$shots"; mkdir -p "$dir" "$shots"
  cp "$2" "$work/$1/tests/win32/PASSWORD.CPL" "$dir/"
  echo "== end to end, $(basename "$2"), under Wine"
  drive "$work/driver-$1.log" "$(winpath "$dir/$(basename "$2")")" "$(winpath "$shots")" $only ||
    failures=$((failures + 1))
  to_png "$shots"
}
run_driver x86_64 "$scr64"
if [ $quick = 1 ]; then
  :
elif [ $can32 = 1 ]; then
  run_suites i686
  run_driver i686 "$scr32"
else
  for s in $suites; do echo "SKIP 32-bit unit tests $s: 32-bit programs cannot run here"; done
  drive "$work/cases.log" - - list | sed 's/^/SKIP 32-bit tressvale.scr: /; s/$/: 32-bit programs cannot run here/'
fi

scripts/test-msi.sh || failures=$((failures + 1))  # the installers, on this display and prefix

# --- measurements: frames per second at 1280x720 on this display (llvmpipe), Wine beside Linux,
# counted by Mesa's own frame counter; the key-to-exit time is printed by the driver above.
measure=$work/fps
report_fps() {  # label folder: the mean of Mesa's counts after the first second
  local rate
  if rate=$(awk 'NR > 1 { s += $1; n++ } END { if (n) printf "%.1f", s / n; else exit 1 }' "$2/fps" 2>/dev/null); then
    echo "frames per second at 1280x720, $1: $rate"
  else echo "FAIL frame rate, $1: Mesa's counter wrote nothing"; failures=$((failures + 1)); fi
}
if [ $quick = 0 ]; then
  rm -rf "$measure"; mkdir -p "$measure/wine" "$measure/x11"
  GALLIUM_HUD=fps GALLIUM_HUD_VISIBLE=false GALLIUM_HUD_DUMP_DIR=$measure/wine \
    drive "$measure/wine.log" "$(winpath "$work/run x86_64/tressvale64.scr")" - measure ||
    { echo "FAIL frame-rate run under Wine"; failures=$((failures + 1)); }
  report_fps "Wine 64-bit" "$measure/wine"
  if [ -x build/backends/x11/tressvale ]; then
    rc=0  # the run is ended by the timeout (124)
    GALLIUM_HUD=fps GALLIUM_HUD_VISIBLE=false GALLIUM_HUD_DUMP_DIR=$measure/x11 \
      timeout -s TERM 6 build/backends/x11/tressvale --fullscreen --defaults >/dev/null 2>&1 || rc=$?
    [ $rc = 124 ] || { echo "FAIL frame-rate run of the Linux X11 saver: exit $rc"; failures=$((failures + 1)); }
    report_fps "Linux X11" "$measure/x11"
  else
    echo "SKIP frame rate of the Linux X11 saver: build/backends/x11/tressvale is not built (scripts/build.sh)"
  fi
  ls -l "$scr32" "$scr64" out/tressvale-windows.zip | awk '{print "size:", $5, $NF}'
fi

[ $failures = 0 ] && echo "Windows stage: all passed" || { echo "Windows stage: $failures part(s) failed"; exit 1; }
