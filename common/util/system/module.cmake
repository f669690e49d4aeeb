# System and process utilities: command-line splitting, program start and shell
# open, the Windows version, the performance stopwatch.
list(APPEND UTIL_SOURCES
  common/util/system/command_line.cpp
  common/util/system/process_launch.cpp
  common/util/system/os_version.cpp
  common/util/system/pf_timer.cpp)
list(APPEND UTIL_WIN_SOURCES
  common/util/system/launch_win.cpp
  common/util/system/os_version_win.cpp
  common/util/system/counter_win.cpp)
list(APPEND UTIL_POSIX_SOURCES
  common/util/system/launch_posix.cpp
  common/util/system/os_version_posix.cpp
  common/util/system/counter_posix.cpp)
# shell32: ShellExecuteA for StartInternetExplorer.
list(APPEND UTIL_WIN_LIBS shell32)
