# Windows x64 programs from Linux with Debian's MinGW-w64 cross compiler:
#   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#     -DDEVIRARAV_BUILD_GUI=OFF -DDEVIRARAV_BUILD_BENCH=OFF
set(DEVIRARAV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
