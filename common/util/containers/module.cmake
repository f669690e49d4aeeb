# Containers.

# Message queue
list(APPEND UTIL_SOURCES common/util/containers/fifo.cpp)
