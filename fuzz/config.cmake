# Configuration: the store's loader and the INI engine take hand-edited files.
util_add_fuzzer(NAME fuzz_config_loader SOURCES config_loader_fuzz.cpp SECONDS 20)
util_add_fuzzer(NAME fuzz_profile_engine SOURCES config_profile_fuzz.cpp SECONDS 20)
