# Compound files from arbitrary bytes: opening, reading a stream, copying
# with the stream replaced and reading the copy back.
tessary_add_fuzzer(NAME fuzz_compound_file SOURCES fuzz_compound_file.cpp LIBS tessary_xls)

# Shared string tables from arbitrary bytes: reading across CONTINUE
# records, writing back with exact sizes, and reading the result again.
tessary_add_fuzzer(NAME fuzz_sst SOURCES fuzz_sst.cpp LIBS tessary_xls)
