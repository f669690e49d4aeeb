# Logging and diagnostics: start-up, the file logger.
list(APPEND UTIL_SOURCES
  common/util/log/file_log.cpp
  common/util/log/log_paths.cpp
  common/util/log/log_stream.cpp
  common/util/log/startup.cpp)
list(APPEND UTIL_WIN_SOURCES common/util/log/startup_win.cpp)
list(APPEND UTIL_POSIX_SOURCES common/util/log/startup_posix.cpp)
# dbghelp: the symbol handler readied at start-up.
list(APPEND UTIL_WIN_LIBS dbghelp)
# dl: dladdr for the module handle (part of libc on current glibc).
list(APPEND UTIL_POSIX_LIBS dl)
