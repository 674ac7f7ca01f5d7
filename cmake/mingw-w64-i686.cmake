# 32-bit Windows programs from Linux with Debian's MinGW-w64 cross compiler:
#   cmake -S . -B build-mingw32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
#     -DDEVIRARAV_BUILD_GUI=OFF -DDEVIRARAV_BUILD_BENCH=OFF
set(DEVIRARAV_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
