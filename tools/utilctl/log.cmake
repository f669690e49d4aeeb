list(APPEND UTILCTL_SOURCES log_commands.cpp info_command.cpp text_forms.cpp platform_${UTIL_PLATFORM}.cpp)
if(WIN32)
  list(APPEND UTILCTL_LIBS ws2_32)  # info: the local address towards the gateway
endif()
