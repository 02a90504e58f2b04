# Comparison and three-way merge of the distinct-text table.
tessary_add_bench(NAME bench_compare SOURCES compare_bench.cpp LIBS tessary_compare tessary_gff)
