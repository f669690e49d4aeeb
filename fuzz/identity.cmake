# Machine identity: the drive text converters on arbitrary bytes.
util_add_fuzzer(NAME fuzz_drive_text SOURCES identity_drive_text_fuzz.cpp SECONDS 20)
