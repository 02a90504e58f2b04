# The editor window and its grid on a large table (run under QT_QPA_PLATFORM=offscreen).
if(TESSARY_GUI)
  tessary_add_bench(NAME bench_gui SOURCES gui_bench.cpp LIBS tessary_app_lib Qt6::Test)
endif()
