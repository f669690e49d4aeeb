# Synchronisation and threads: ZnCriticalSection, SharedObject, Synchronizer, ZnThread.
list(APPEND UTIL_SOURCES
  common/util/sync/critical_section.cpp
  common/util/sync/shared_object.cpp
  common/util/sync/synchronizer.cpp
  common/util/sync/zn_thread.cpp)
list(APPEND UTIL_WIN_SOURCES
  common/util/sync/thread_log_win.cpp
  common/util/sync/layout_win.cpp)
list(APPEND UTIL_POSIX_SOURCES common/util/sync/thread_log_posix.cpp)
