# Filling and reading the cell table; row insertion and removal on a large table.
tessary_add_bench(NAME bench_grid SOURCES grid_bench.cpp LIBS tessary_grid_model)
# GCC 12 fault: -Wrestrict on std::basic_string's inlined copies when strings
# are joined (GCC bug 105329).
tessary_gcc12_false_positive(restrict grid_bench.cpp)
