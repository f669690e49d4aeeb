# Network information: the MIB-II look-ups, their walk and the table sources.
list(APPEND UTIL_SOURCES
  common/util/netinfo/agent_startup.cpp
  common/util/netinfo/column_walk.cpp
  common/util/netinfo/kernel_tables.cpp
  common/util/netinfo/lookups.cpp
  common/util/netinfo/mib_table.cpp
  common/util/netinfo/mib_types.cpp)
list(APPEND UTIL_WIN_SOURCES common/util/netinfo/system_agent_win.cpp)
list(APPEND UTIL_POSIX_SOURCES common/util/netinfo/system_agent_linux.cpp)
# snmpapi: netinfo copies, compares and frees the agent's names and values.
# ws2_32: netinfo starts Winsock before loading the agent.
list(APPEND UTIL_WIN_LIBS snmpapi ws2_32)
