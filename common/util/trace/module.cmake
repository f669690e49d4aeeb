# Function-call tracing: the tracer, its settings, and the viewer script.
# The script's bytes are written to generated/trace/viewer_script.inc at configure
# time, which viewer_script.cpp includes; editing viewer.tcl re-runs the configure
# step, so the build always carries the current text.
set(UTIL_VIEWER_SCRIPT_SOURCE ${CMAKE_CURRENT_LIST_DIR}/viewer.tcl)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${UTIL_VIEWER_SCRIPT_SOURCE})
file(READ ${UTIL_VIEWER_SCRIPT_SOURCE} viewer_script_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," VIEWER_SCRIPT_BYTES "${viewer_script_hex}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/viewer_script.inc.in
               ${PROJECT_BINARY_DIR}/generated/trace/viewer_script.inc @ONLY)

list(APPEND UTIL_SOURCES
  common/util/trace/trace_settings.cpp
  common/util/trace/trace_record.cpp
  common/util/trace/function_call_tracer.cpp
  common/util/trace/viewer_script.cpp)
list(APPEND UTIL_WIN_SOURCES
  common/util/trace/trace_connection_win.cpp
  common/util/trace/trace_window_win.cpp)
list(APPEND UTIL_POSIX_SOURCES
  common/util/trace/trace_connection_posix.cpp
  common/util/trace/trace_window_posix.cpp)
# ws2_32: the tracer's connection to the viewer; user32: FindWindowA.
list(APPEND UTIL_WIN_LIBS ws2_32 user32)
# dl: libxcb is loaded at run time for the window look-up (part of libc on current glibc).
list(APPEND UTIL_POSIX_LIBS dl)
# util.rc carries viewer.tcl as a resource (trace/viewer.rc): rebuild it when the script changes.
set_source_files_properties(${PROJECT_SOURCE_DIR}/common/util/util.rc PROPERTIES OBJECT_DEPENDS ${UTIL_VIEWER_SCRIPT_SOURCE})
