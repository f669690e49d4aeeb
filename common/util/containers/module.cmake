# Hash table: HashTable, its key hashing and its node pool.
list(APPEND UTIL_SOURCES
  common/util/containers/hash_table.cpp
  common/util/containers/hash_table_memory.cpp
  common/util/containers/hash_table_pool.cpp)
list(APPEND UTIL_WIN_SOURCES common/util/containers/hash_table_win.cpp)

# Message queue
list(APPEND UTIL_SOURCES common/util/containers/fifo.cpp)
list(APPEND UTIL_WIN_SOURCES common/util/containers/fifo_win.cpp)
