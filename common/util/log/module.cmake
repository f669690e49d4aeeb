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

# Debug output and error texts: DbgPrint, DumpData, qvd_log, LastError, WinsockLastError.
include(${CMAKE_CURRENT_LIST_DIR}/winsock_texts.cmake)
list(APPEND UTIL_SOURCES
  common/util/log/debug_print.cpp
  common/util/log/last_error.cpp)
list(APPEND UTIL_WIN_SOURCES
  common/util/log/debug_output_win.cpp
  common/util/log/last_error_win.cpp)
list(APPEND UTIL_POSIX_SOURCES
  common/util/log/debug_output_posix.cpp
  common/util/log/last_error_posix.cpp)
# ws2_32: WSAGetLastError for WinsockLastError (also the tracer and netinfo).
list(APPEND UTIL_WIN_LIBS ws2_32)
