# Configuration: the configuration store, ZnIniReader and the INI engine. The
# engine is portable and built everywhere (its tests run on both targets); only
# POSIX reads files through it, Windows uses its own profile functions.
list(APPEND UTIL_SOURCES
  common/util/config/config_store.cpp
  common/util/config/config_load.cpp
  common/util/config/ini_reader.cpp
  common/util/config/profile_engine.cpp
  common/util/config/profile_text.cpp)
list(APPEND UTIL_WIN_SOURCES common/util/config/profile_win.cpp)
list(APPEND UTIL_POSIX_SOURCES common/util/config/profile_posix.cpp)
