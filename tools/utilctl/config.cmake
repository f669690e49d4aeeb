# Configuration: config-get/-set/-dump over the configuration store, ini-* over ZnIniReader.
list(APPEND UTILCTL_SOURCES config_commands.cpp)
