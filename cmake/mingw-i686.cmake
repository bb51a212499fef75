# Cross-build for 32-bit Windows with MinGW-w64 (SSE2 doubles, set in CMakeLists.txt):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(TV_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
