# Sort, filter and the checks on the distinct-text table.
tessary_add_bench(NAME bench_table_tools SOURCES table_tools_bench.cpp
                  LIBS tessary_grid_model tessary_gff)
