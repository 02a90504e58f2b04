# Fails when a file under src/ includes a header of a layer that is not its
# own and not below it.
# Run with cmake -DSOURCE_DIR=<repository> -P check_layers.cmake.
#
# The layers, each with the layers below it that it may include:
#   common, text       nothing but themselves
#   table              common, text
#   grid, gff          common, text, table (not each other)
#   xls                common, text (it knows nothing of tables)
#   exchange           common, text, table, xls
#   compare            common, text, table, gff
#   grid/widget        common, text, table, grid
#   batch              common, text, table, grid, gff
#   cli                everything but app and grid/widget
#   app                everything but cli
cmake_minimum_required(VERSION 3.25)
set(_below_common "")
set(_below_text "")
set(_below_table common text)
set(_below_grid common text table)
set(_below_gff common text table)
set(_below_xls common text)
set(_below_exchange common text table xls)
set(_below_compare common text table gff)
set(_below_grid/widget common text table grid)
set(_below_batch common text table grid gff)
set(_below_cli common text table grid gff xls exchange batch compare)
set(_below_app common text table grid grid/widget gff xls exchange batch compare)
set(_layers common text table grid gff xls exchange batch compare grid/widget cli app)

file(GLOB_RECURSE _files RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h)
set(_failures "")
foreach(_file IN LISTS _files)
  get_filename_component(_dir ${_file} DIRECTORY)
  if(NOT _dir IN_LIST _layers)
    list(APPEND _failures "${_file}: folder ${_dir} is not a layer")
    continue()
  endif()
  set(_allowed ${_dir} ${_below_${_dir}})
  file(STRINGS ${SOURCE_DIR}/src/${_file} _includes REGEX "^#include \"")
  foreach(_line IN LISTS _includes)
    string(REGEX REPLACE "^#include \"([^\"]*)\".*" "\\1" _header "${_line}")
    get_filename_component(_target ${_header} DIRECTORY)
    # A header beside the file, or a layer the file may use.
    if(_target STREQUAL "" OR _target IN_LIST _allowed)
      continue()
    endif()
    if(_target IN_LIST _layers)
      list(APPEND _failures "${_file}: includes ${_header}; layer ${_dir} may not use layer ${_target}")
    endif()
  endforeach()
endforeach()
if(_failures)
  list(JOIN _failures "\n" _text)
  message(FATAL_ERROR "Includes across layers:\n${_text}")
endif()
list(LENGTH _files _count)
message(STATUS "Layers checked: ${_count} files")
