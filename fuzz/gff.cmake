# Reading table files from arbitrary bytes: the container and the table.
tessary_add_fuzzer(NAME fuzz_load_gda SOURCES fuzz_load_gda.cpp LIBS tessary_gff)
