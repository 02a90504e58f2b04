# Building, saving and opening a large workbook.
tessary_add_bench(NAME bench_xls SOURCES xls_bench.cpp LIBS tessary_xls tessary_table)
