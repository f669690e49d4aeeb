# Logging and diagnostics: the file logger.
list(APPEND UTIL_SOURCES
  common/util/log/file_log.cpp
  common/util/log/log_lock.cpp
  common/util/log/log_paths.cpp
  common/util/log/log_stream.cpp)

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
