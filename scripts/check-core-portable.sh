#!/usr/bin/env bash
# The core under src/ must build for 32-bit Windows as well as Linux and may include no
# window-system or operating-system header. Checks both: a header scan, then (with --cross) a
# MinGW-w64 i686 build of every core library.
set -euo pipefail
cd "$(dirname "$0")/.."
# Header scan: the core may include the standard C++ library, OpenGL 1.1 (<GL/gl.h>, <GL/glu.h>)
# and its own headers, nothing else. A header both compilers happen to ship (unistd.h, dirent.h,
# getopt.h, malloc.h, ...) is still not portable C++.
standard=" algorithm any array atomic barrier bit bitset cassert cctype cerrno cfenv cfloat charconv
  chrono cinttypes climits clocale cmath codecvt compare complex concepts condition_variable
  coroutine csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar
  cwctype deque exception execution filesystem format forward_list fstream functional future
  initializer_list iomanip ios iosfwd iostream istream iterator latch limits list locale map memory
  memory_resource mutex new numbers numeric optional ostream queue random ranges ratio regex
  scoped_allocator semaphore set shared_mutex source_location span sstream stack stdexcept
  stop_token streambuf string string_view syncstream system_error thread tuple type_traits
  typeindex typeinfo unordered_map unordered_set utility valarray variant vector version
  GL/gl.h GL/glu.h"
standard=" $(echo $standard) "  # one space between names, and around them
status=0
includes=$(grep -rnoE '^\s*#\s*include\s*[<"][^>"]+[>"]' src) || status=$?
if [ "$status" -ne 0 ] || [ -z "$includes" ]; then
  echo "header scan: grep found no includes under src/ (status $status)" >&2
  exit 2
fi
bad=
while IFS= read -r hit; do
  file=${hit%%:*}
  name=$(sed -E 's/.*include\s*[<"]([^>"]+)[>"].*/\1/' <<<"$hit")
  case $hit in
    *'"'*) [ -f "src/$name" ] || [ -f "$(dirname "$file")/$name" ] || bad+="$hit"$'\n' ;;
    *) [[ "$standard" == *" $name "* ]] || bad+="$hit"$'\n' ;;
  esac
done <<<"$includes"
if [ -n "$bad" ]; then
  echo "Headers in the core that are neither standard C++, OpenGL 1.1 nor the core's own:"
  printf '%s' "$bad"
  exit 1
fi
echo "core headers: platform-free"
[ "${1:-}" = "--cross" ] || exit 0

# In the 32-bit saver's own build folder, so the Windows stage compiles these libraries only once.
scripts/build-windows.sh i686 tv_foundation tv_knots tv_library tv_settings tv_render tv_saver \
  tv_display tv_host
echo "core libraries: built with MinGW-w64 i686 (SSE2 doubles)"
