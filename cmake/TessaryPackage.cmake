# The Debian package, made by `cpack -G DEB` in a build folder
# (scripts/package.sh makes a Release build for it). It holds everything the
# install rules install, plus the copyright and changelog Debian asks for.
# Dependencies on libraries come from the binaries (dpkg-shlibdeps); the
# fonts the window draws its text in are named here. The MIME type, the
# desktop entry, the icon and the manual pages are registered by the
# triggers of shared-mime-info, desktop-file-utils, the icon theme and man-db.
set(TESSARY_MAINTAINER "The Tessary developers <packages@tessary.org>"
    CACHE STRING "Maintainer field of the Debian package: name <address>")

set(_doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/tessary)
set(_out ${CMAKE_BINARY_DIR}/debian)

# copyright: the licence of LICENSE in Debian's machine-readable form.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE _licence)
string(FIND "${_licence}" "Permission is hereby granted" _start)
string(SUBSTRING "${_licence}" ${_start} -1 _licence)
string(STRIP "${_licence}" _licence)
string(REPLACE "\n" "\n " _licence " ${_licence}")
string(REPLACE "\n \n" "\n .\n" _licence "${_licence}")
file(WRITE ${_out}/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: Tessary\n"
     "Source: ${PROJECT_HOMEPAGE_URL}\n\n"
     "Files: *\n"
     "Copyright: ${TESSARY_COPYRIGHT}\n"
     "License: Expat\n${_licence}\n")

# changelog: its newest entry carries this version, dated the release day
# in the form "Thu, 10 Dec 2026 00:00:00 +0000" (weekday by Sakamoto's rule).
string(REGEX MATCH "^([0-9]+)-0?([0-9]+)-0?([0-9]+)$" _ok "${TESSARY_RELEASE_DATE}")
set(_y ${CMAKE_MATCH_1})
set(_m ${CMAKE_MATCH_2})
set(_d ${CMAKE_MATCH_3})
set(_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
math(EXPR _i "${_m} - 1")
list(GET _offsets ${_i} _offset)
set(_yy ${_y})
if(_m LESS 3)
  math(EXPR _yy "${_y} - 1")
endif()
math(EXPR _wd "(${_yy} + ${_yy} / 4 - ${_yy} / 100 + ${_yy} / 400 + ${_offset} + ${_d}) % 7")
set(_days Sun Mon Tue Wed Thu Fri Sat)
set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(GET _days ${_wd} _wday)
list(GET _months ${_i} _month)
if(_d LESS 10)
  set(_d "0${_d}")
endif()
set(TESSARY_CHANGELOG_DATE "${_wday}, ${_d} ${_month} ${_y} 00:00:00 +0000")
configure_file(${CMAKE_SOURCE_DIR}/data/debian-changelog.in ${_out}/changelog @ONLY)
find_program(TESSARY_GZIP gzip)
if(TESSARY_GZIP)
  add_custom_command(OUTPUT ${_out}/changelog.gz COMMAND ${TESSARY_GZIP} -9nkf ${_out}/changelog
                     DEPENDS ${_out}/changelog VERBATIM)
  add_custom_target(tessary_changelog ALL DEPENDS ${_out}/changelog.gz)
  install(FILES ${_out}/copyright ${_out}/changelog.gz DESTINATION ${_doc})
else()
  install(FILES ${_out}/copyright ${_out}/changelog DESTINATION ${_doc})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessary)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tessary developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for G2DA game data tables")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TESSARY_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The long description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tessary opens game data tables stored as GFF V4.0 files of type G2DA
(.gda) and shows them as a grid of text cells: column names, column types
and one row for each row of the table. Cells are edited in place, rows are
added, inserted and removed from the keyboard, column definitions can be
changed, and ranges of cells are copied and pasted as tab-separated text.
A table can be exported into a worksheet of an Excel 97-2003 workbook.
.
The package also holds tessary-cli, which prints, imports, resaves and
exports tables from scripts and build pipelines.")
include(CPack)
