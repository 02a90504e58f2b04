# The editor window and its grid on a large table (run under QT_QPA_PLATFORM=offscreen).
if(TESSARY_GUI)
  tessary_add_bench(NAME bench_gui SOURCES gui_bench.cpp LIBS tessary_app_lib Qt6::Test)
endif()
# Find in files in the window beside the plain search over a folder of tables.
if(TESSARY_GUI)
  add_executable(bench_find_in_files_window find_in_files_window_bench.cpp)
  target_link_libraries(bench_find_in_files_window PRIVATE tessary_app_lib)
endif()
