# OS primitives that several subsystems share.
list(APPEND UTIL_WIN_SOURCES
  common/util/platform/lock_win.cpp
  common/util/platform/process_win.cpp
  common/util/platform/clock_win.cpp
  common/util/platform/files_win.cpp)
list(APPEND UTIL_POSIX_SOURCES
  common/util/platform/lock_posix.cpp
  common/util/platform/process_posix.cpp
  common/util/platform/clock_posix.cpp
  common/util/platform/files_posix.cpp)
