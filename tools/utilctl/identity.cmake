# Machine identity: computer-id.
list(APPEND UTILCTL_SOURCES identity_commands.cpp)
