# Reading and writing a large table file.
tessary_add_bench(NAME bench_gff SOURCES gff_bench.cpp LIBS tessary_gff)
# The distinct-text table as a file, for the command-line tool and the window.
add_executable(make_distinct_table make_distinct_table.cpp)
target_link_libraries(make_distinct_table PRIVATE tessary_gff tessary_exchange)
