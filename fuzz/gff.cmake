# Reading table files from arbitrary bytes: the container and the table.
tessary_add_fuzzer(NAME fuzz_load_gda SOURCES fuzz_load_gda.cpp LIBS tessary_gff)
# Reading the user dictionary of column names from arbitrary bytes.
tessary_add_fuzzer(NAME fuzz_user_column_names SOURCES fuzz_user_column_names.cpp LIBS tessary_gff)
