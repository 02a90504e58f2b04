# Importing workbooks (beside python3-xlrd) and CSV text both ways.
tessary_add_bench(NAME bench_round_trip SOURCES round_trip_bench.cpp LIBS tessary_exchange tessary_gff)
