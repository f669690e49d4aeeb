# Packet capture log: pcap files of Ethernet frames.
list(APPEND UTIL_SOURCES
  common/util/pcap/capture_clock.cpp
  common/util/pcap/capture_format.cpp
  common/util/pcap/packet_log.cpp)
list(APPEND UTIL_WIN_SOURCES common/util/pcap/capture_stream_win.cpp)
list(APPEND UTIL_POSIX_SOURCES common/util/pcap/capture_stream_posix.cpp)
