# The library itself: start-up (DllMain on Windows, the load hooks on POSIX),
# the library's own loggers, its module handle and the version resource (util.rc).
list(APPEND UTIL_SOURCES
  common/util/library/module_handle.cpp
  common/util/library/startup.cpp)
list(APPEND UTIL_WIN_SOURCES common/util/library/startup_win.cpp)
list(APPEND UTIL_POSIX_SOURCES common/util/library/startup_posix.cpp)
# dbghelp: the symbol handler readied at start-up.
list(APPEND UTIL_WIN_LIBS dbghelp)
# dl: dladdr for the module handle (part of libc on current glibc).
list(APPEND UTIL_POSIX_LIBS dl)
