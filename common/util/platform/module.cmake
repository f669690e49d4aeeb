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
# Events, threads and interlocked operations: SharedObject, FIFO and ZnThread.
list(APPEND UTIL_WIN_SOURCES
  common/util/platform/event_win.cpp
  common/util/platform/interlocked_win.cpp
  common/util/platform/thread_win.cpp)
list(APPEND UTIL_POSIX_SOURCES
  common/util/platform/event_posix.cpp
  common/util/platform/interlocked_posix.cpp
  common/util/platform/thread_posix.cpp)
# pthread: the lock, event and thread primitives above on POSIX.
list(APPEND UTIL_POSIX_LIBS pthread)
# UTIL_DCHECK's failure path (portable).
list(APPEND UTIL_SOURCES common/util/platform/check.cpp)
