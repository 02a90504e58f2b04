# Reading and writing a large table file.
tessary_add_bench(NAME bench_gff SOURCES gff_bench.cpp LIBS tessary_gff)
