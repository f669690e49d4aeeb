# The parsers of the kernel's ARP and route texts.
util_add_fuzzer(NAME fuzz_netinfo_proc_tables SOURCES netinfo_proc_tables_fuzz.cpp SECONDS 20)
