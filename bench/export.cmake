# Exporting a large table to a new workbook.
tessary_add_bench(NAME bench_export SOURCES export_bench.cpp LIBS tessary_exchange tessary_gff)
