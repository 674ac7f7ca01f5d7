# cmake -DFILES="a.cpp;b.h" -P NoPosixHeaders.cmake
# Fails when one of the files includes a header that only POSIX systems have:
# the window code must build on Windows as it is.
set(posix_headers
  "unistd\\.h" "fcntl\\.h" "dirent\\.h" "pthread\\.h" "dlfcn\\.h" "poll\\.h" "termios\\.h" "pwd\\.h"
  "grp\\.h" "spawn\\.h" "syslog\\.h" "semaphore\\.h" "sched\\.h" "libgen\\.h" "glob\\.h" "fnmatch\\.h"
  "wordexp\\.h" "utime\\.h" "mqueue\\.h" "sys/[a-z_/]+\\.h" "netinet/[a-z_]+\\.h" "arpa/[a-z_]+\\.h"
  "linux/[a-z_]+\\.h" "X11/[A-Za-z_]+\\.h" "xcb/[a-z_]+\\.h")
list(JOIN posix_headers "|" alternatives)
set(found "")
foreach(file IN LISTS FILES)
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${alternatives})[>\"]")
  foreach(line IN LISTS lines)
    string(APPEND found "\n  ${file}: ${line}")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "POSIX-only headers in the window code:${found}")
endif()
