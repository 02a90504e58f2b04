# Cell texts from arbitrary bytes as the export reads them: numbers,
# currency, dates and times in several regional settings.
tessary_add_fuzzer(NAME fuzz_cell_text SOURCES fuzz_cell_text.cpp LIBS tessary_xls)
