# Function-call tracing: `viewer` starts the carried trace viewer, `trace-demo` traces a few threads.
list(APPEND UTILCTL_SOURCES trace_commands.cpp)
if(WIN32)
  list(APPEND UTILCTL_SOURCES trace_tools_win.cpp)
  # ws2_32: trace-demo starts Winsock for the tracer's connections.
  list(APPEND UTILCTL_LIBS ws2_32)
else()
  list(APPEND UTILCTL_SOURCES trace_tools_posix.cpp)
endif()
