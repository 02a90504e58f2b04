# Reading tables back from CSV text and from workbook sheets.
tessary_add_fuzzer(NAME fuzz_csv_table SOURCES fuzz_csv_table.cpp LIBS tessary_exchange)
tessary_add_fuzzer(NAME fuzz_import_workbook SOURCES fuzz_import_workbook.cpp LIBS tessary_exchange)
