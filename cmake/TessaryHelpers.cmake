# Shared helpers so that each folder adds its sources and tests without
# editing a central list.

# Folder of test data made by other programs; tests skip cleanly when absent.
get_filename_component(TESSARY_SHARED_TESTDATA "${CMAKE_SOURCE_DIR}/../shared/testdata" ABSOLUTE)

# Every *_test.cpp in the calling folder becomes its own GoogleTest program,
# so that one broken test file never blocks the others.
#   tessary_add_test_dir(PREFIX gff LIBS tessary_gff LABELS unit)
function(tessary_add_test_dir)
  cmake_parse_arguments(T "" "PREFIX" "LIBS;LABELS;ENV" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  file(GLOB _support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_support.cpp)
  foreach(_src IN LISTS _tests)
    get_filename_component(_name ${_src} NAME_WE)
    set(_target ${T_PREFIX}_${_name})
    add_executable(${_target} ${_src} ${_support})
    target_include_directories(${_target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${_target} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    target_compile_definitions(${_target} PRIVATE
      TESSARY_SHARED_TESTDATA="${TESSARY_SHARED_TESTDATA}"
      TESSARY_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
      TESSARY_BINARY_DIR="${CMAKE_BINARY_DIR}")
    gtest_discover_tests(${_target}
      DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "${T_ENV}")
  endforeach()
endfunction()

# A fuzz target: with TESSARY_FUZZ a libFuzzer program, otherwise a plain
# program that replays the files of fuzz/corpus/<name> (run by ctest).
#   tessary_add_fuzzer(NAME fuzz_load_gda SOURCES fuzz_load_gda.cpp LIBS tessary_gff)
function(tessary_add_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(TESSARY_FUZZ)
    add_executable(${F_NAME} ${F_SOURCES})
    target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${F_NAME} ${F_SOURCES} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
    if(TESSARY_TESTS)
      add_test(NAME ${F_NAME}_replay
               COMMAND ${F_NAME} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${F_NAME})
      set_tests_properties(${F_NAME}_replay PROPERTIES LABELS "fuzz-replay")
    endif()
  endif()
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
endfunction()

# A Google Benchmark program.
function(tessary_add_bench)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()

# The include path of a library of the calling folder src/<layer>: a folder
# of the build tree that holds one link, <layer> -> src/<layer>. A file then
# reaches the headers of its own layer and of the libraries it links, the
# layers below it, and no other ("#include "gff/g2da.h"" does not compile in
# a library that does not link tessary_gff).
#   tessary_layer_include(tessary_xls PUBLIC)
function(tessary_layer_include target scope)
  file(RELATIVE_PATH _layer ${CMAKE_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  set(_root ${CMAKE_BINARY_DIR}/layers/${target})
  get_filename_component(_parent ${_root}/${_layer} DIRECTORY)
  file(MAKE_DIRECTORY ${_parent})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${_root}/${_layer} SYMBOLIC)
  target_include_directories(${target} ${scope} ${_root})
endfunction()

# A static library of every *.cpp directly in the calling folder (an
# interface library while the folder holds headers only). LIBS are the
# layers below it that it uses.
#   tessary_add_library(NAME tessary_gff LIBS tessary_grid_model ZLIB::ZLIB)
function(tessary_add_library)
  cmake_parse_arguments(L "" "NAME" "LIBS;EXTRA_SOURCES" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(APPEND _srcs ${L_EXTRA_SOURCES})
  if(_srcs)
    add_library(${L_NAME} STATIC ${_srcs})
    tessary_layer_include(${L_NAME} PUBLIC)
    target_link_libraries(${L_NAME} PUBLIC ${L_LIBS})
  else()
    add_library(${L_NAME} INTERFACE)
    tessary_layer_include(${L_NAME} INTERFACE)
    target_link_libraries(${L_NAME} INTERFACE ${L_LIBS})
  endif()
endfunction()

# Turns one warning off for source files of the calling folder, with GCC 12
# only: its -O3 inlining of the standard library reports accesses there that
# cannot happen. Name the compiler fault where it is called.
#   tessary_gcc12_false_positive(restrict number_text_test.cpp)
function(tessary_gcc12_false_positive warning)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    set_property(SOURCE ${ARGN} APPEND PROPERTY COMPILE_OPTIONS -Wno-${warning})
  endif()
endfunction()
