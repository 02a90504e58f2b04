# Filling and reading the cell table; row insertion and removal on a large table.
tessary_add_bench(NAME bench_grid SOURCES grid_bench.cpp LIBS tessary_grid_model)
