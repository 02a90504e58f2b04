# Compound files from arbitrary bytes: opening, reading a stream, copying
# with the stream replaced and reading the copy back.
tessary_add_fuzzer(NAME fuzz_compound_file SOURCES fuzz_compound_file.cpp LIBS tessary_xls)
