# The packet log's reader on arbitrary files.
util_add_fuzzer(NAME fuzz_pcap_reader SOURCES pcap_reader_fuzz.cpp SECONDS 20)
