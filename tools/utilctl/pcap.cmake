# Packet capture log: pcap-dump, pcap-write.
list(APPEND UTILCTL_SOURCES pcap_commands.cpp)
