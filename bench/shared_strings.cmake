# Tables whose cells share one long string, for the exports' linear time,
# and the window's recovery copy of the distinct-text table.
tessary_add_bench(NAME bench_shared_strings SOURCES shared_strings_bench.cpp
                  LIBS tessary_app_lib tessary_exchange tessary_gff)
