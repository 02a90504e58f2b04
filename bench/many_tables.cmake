# find and a batch export over a folder of 2,000 generated tables, beside
# the single exports of the same tables.
add_executable(bench_many_tables many_tables_bench.cpp)
target_link_libraries(bench_many_tables PRIVATE tessary_cli_lib)
