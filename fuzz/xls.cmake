# Opening workbooks from arbitrary bytes, as compound files or as the
# Workbook stream of the template: the record layer, sections and the
# workbook model, then saving again.
tessary_add_fuzzer(NAME fuzz_open_workbook SOURCES fuzz_open_workbook.cpp LIBS tessary_xls)
