# Find and Replace all over the large table.
tessary_add_bench(NAME bench_find SOURCES find_bench.cpp LIBS tessary_grid_model tessary_gff)
