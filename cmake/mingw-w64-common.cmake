# Shared by the MinGW-w64 toolchain files; they set DEVIRARAV_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model: std::thread and std::mutex need it with GCC 12.
set(CMAKE_C_COMPILER ${DEVIRARAV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DEVIRARAV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DEVIRARAV_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DEVIRARAV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Each program is one file: no compiler runtime DLLs to carry beside it, or to
# point Wine at.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs are listed and run under Wine where it is installed
# (Debian keeps wine64 out of PATH).
if(DEVIRARAV_MINGW_TRIPLE MATCHES "^x86_64")
  find_program(DEVIRARAV_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
else()
  find_program(DEVIRARAV_WINE NAMES wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
endif()
if(DEVIRARAV_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DEVIRARAV_WINE})
endif()
