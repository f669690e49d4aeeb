# Diagnostics (error texts, hex dumps) and system utilities (argument
# splitting, program start, shell open, Windows version).
list(APPEND UTILCTL_SOURCES diagnostics_commands.cpp system_commands.cpp)
