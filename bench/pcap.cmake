# The packet log beside libpcap's pcap_dump / pcap_next_ex.
add_executable(bench_pcap ${CMAKE_CURRENT_SOURCE_DIR}/pcap_bench.cpp)
target_link_libraries(bench_pcap PRIVATE util pcap benchmark::benchmark)
