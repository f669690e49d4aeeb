list(APPEND UTILCTL_SOURCES log_commands.cpp platform_${UTIL_PLATFORM}.cpp)
