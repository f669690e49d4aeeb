# Command lines from outside: the argument splitter.
util_add_fuzzer(NAME fuzz_command_line SOURCES system_command_line_fuzz.cpp SECONDS 20)
