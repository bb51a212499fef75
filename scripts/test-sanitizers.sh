#!/usr/bin/env bash
# Builds the core, the tools and their tests with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan/ and runs the tests there: a leak, an overflow or undefined behaviour of ours
# fails the test command. Only the GL driver's own leaks are suppressed (lsan-gl-driver.supp).
set -euo pipefail
cd "$(dirname "$0")/.."
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
# Mesa unloads its driver when the EGL display ends, and LeakSanitizer then reports the driver's
# blocks as leaks with stacks it can no longer name. The unit tests keep the driver loaded for the
# whole run (after the sanitizer runtime, which must come first), so its blocks stay reachable,
# and any it does lose are named and matched by lsan-gl-driver.supp.
preload="$(gcc -print-file-name=libasan.so):/usr/lib/$(gcc -print-multiarch)/dri/swrast_dri.so"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
  -DCMAKE_C_FLAGS_DEBUG="-O1 -g" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DTRESSVALE_BENCH=OFF \
  -DTRESSVALE_TEST_ENVIRONMENT="LD_PRELOAD=$preload" >/dev/null
cmake --build build-asan -j"$(nproc)"

# A sanitizer report ends the program with 86, never with the 1 or 2 the tools use for refusals.
export ASAN_OPTIONS="exitcode=86:detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="exitcode=86:suppressions=$PWD/scripts/lsan-gl-driver.supp:print_suppressions=0"
export UBSAN_OPTIONS="exitcode=86:halt_on_error=1:print_stacktrace=1"
# The X11 saver's end-to-end tests run in the plain build only: they start servers and the daemon,
# and check the saver's own leaks through its LeakSanitizer build (tressvale-checked).
skip='^(X11Saver|Daemon)[./]'
left=$(ctest --test-dir build-asan -N -R "$skip" | sed -n 's/^ *Test *#[0-9]*: //p')
[ -n "$left" ] || { echo "no X11 saver cases found in build-asan: was the X11 saver built?" >&2; exit 1; }
printf 'SKIP %s: runs in the plain build (servers and daemon; the saver checked by tressvale-checked)\n' $left
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -E "$skip"
