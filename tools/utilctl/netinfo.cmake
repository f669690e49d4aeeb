list(APPEND UTILCTL_SOURCES netinfo_commands.cpp)
