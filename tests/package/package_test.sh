#!/bin/sh
# One step of the package tests, run by ctest from the build folder's
# install rules and CPack configuration:
#   tree      cmake --install into a folder: exactly the expected files, the
#             programs run, the icon's size, the manual pages render cleanly
#   metadata  the desktop entry and the release metadata validate
#   mime      the file type package, registered in a private database, names
#             a real table's type by its name and by its content
#   deb       the .deb: its fields, its files, its programs unpacked
#   lintian   Debian's package checker finds no error
# Environment (from CMake): BUILD, WORK, VERSION, APP_ID, SAMPLE, SHARED.
set -eu
step=$1
root=$WORK/root
fail() { echo "FAIL: $*" >&2; exit 1; }
expect() { [ "$2" = "$3" ] || fail "$1: expected '$3', got '$2'"; }

# A real table: one of the shared files made by other tools, else ours.
table=$SAMPLE
for f in "$SHARED"/gda/*.GDA; do [ -f "$f" ] && table=$f && break; done

files_of_tree() { (cd "$1" && find . -type f | sed 's|^\./||' | sort); }

case $step in
tree)
  rm -rf "$root"
  DESTDIR=$root cmake --install "$BUILD" --prefix /usr > /dev/null
  icons=usr/share/icons/hicolor
  expected=$(sort <<LIST
usr/bin/tessary
usr/bin/tessary-cli
usr/share/applications/$APP_ID.desktop
usr/share/metainfo/$APP_ID.metainfo.xml
usr/share/mime/packages/tessary.xml
$icons/scalable/apps/$APP_ID.svg
$icons/48x48/apps/$APP_ID.png
usr/share/man/man1/tessary.1.gz
usr/share/man/man1/tessary-cli.1.gz
usr/share/doc/tessary/copyright
usr/share/doc/tessary/changelog.gz
LIST
)
  expect "installed files" "$(files_of_tree "$root")" "$expected"
  # --version works without a display.
  expect "tessary --version" "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$root/usr/bin/tessary" --version)" "tessary $VERSION"
  expect "tessary-cli --version" "$("$root/usr/bin/tessary-cli" --version)" "tessary-cli $VERSION"
  file "$root/$icons/48x48/apps/$APP_ID.png" | grep -q "PNG image data, 48 x 48" ||
    fail "the PNG icon is not 48 x 48"
  grep -qx "Exec=tessary %f" "$root/usr/share/applications/$APP_ID.desktop" || fail "Exec line"
  for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    expect "warnings of $page" "$warnings" ""
    zcat "$page" | grep -q "^\.TH .*\"Tessary $VERSION\"" || fail "$page: no version in .TH"
  done
  ;;
metadata)
  desktop-file-validate "$root/usr/share/applications/$APP_ID.desktop"
  appstreamcli validate --no-net "$root/usr/share/metainfo/$APP_ID.metainfo.xml"
  ;;
mime)
  mime=$WORK/mime
  rm -rf "$mime"
  mkdir -p "$mime/share/mime/packages" "$mime/home"
  xmllint --noout "$root/usr/share/mime/packages/tessary.xml"
  cp "$root/usr/share/mime/packages/tessary.xml" "$mime/share/mime/packages/"
  # The type as the desktop's file managers see it, from this database only.
  export XDG_DATA_DIRS="$mime/share" XDG_DATA_HOME="$mime/home" GIO_USE_VFS=local
  messages=$(update-mime-database "$mime/share/mime" 2>&1)
  expect "update-mime-database" "$messages" ""
  lookup() { gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }
  cp "$table" "$mime/table-without-extension"
  # A container of another file type, also without an extension.
  { printf 'GFF V4.0PC  GUI '; tail -c +17 "$table"; } > "$mime/other-container"
  expect "type of $table" "$(lookup "$table")" application/x-g2da
  expect "type by content" "$(lookup "$mime/table-without-extension")" application/x-g2da
  [ "$(lookup "$mime/other-container")" != application/x-g2da ] || fail "other container taken as a table"
  ;;
deb)
  out=$WORK/deb
  rm -rf "$out"
  mkdir -p "$out"
  cpack -G DEB -B "$out" --config "$BUILD/CPackConfig.cmake" > "$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; fail "cpack"; }
  deb=$(ls "$out"/tessary_"$VERSION"_*.deb)
  info=$(dpkg-deb --info "$deb")
  echo "$info"
  for field in "Package: tessary" "Version: $VERSION" "Maintainer: .* <.*@.*>" \
      "Depends: .*libc6.*" "Depends: .*libqt6widgets6.*" "Depends: .*fonts-dejavu-core.*" \
      "Depends: .*fonts-liberation2.*"; do
    echo "$info" | grep -qx " $field" || fail "no '$field' in the control fields"
  done
  contents=$(dpkg-deb --contents "$deb" | awk '/^-/ { sub(/^\.\//, "", $6); print $6 }' | sort)
  expect "files of the package" "$contents" "$(files_of_tree "$root")"
  dpkg-deb -x "$deb" "$out/root"
  stripped=$(file "$out/root/usr/bin/tessary" "$out/root/usr/bin/tessary-cli" | grep -c ", stripped")
  expect "stripped programs" "$stripped" 2
  expect "unpacked --version" "$("$out/root/usr/bin/tessary-cli" --version)" "tessary-cli $VERSION"
  "$out/root/usr/bin/tessary-cli" dump "$table" > "$out/dump.txt"
  "$BUILD/src/cli/tessary-cli" dump "$table" | cmp -s - "$out/dump.txt" ||
    fail "the unpacked tessary-cli dumps $table differently"
  ;;
lintian)
  lintian --fail-on error --info "$WORK"/deb/tessary_"$VERSION"_*.deb
  ;;
*)
  fail "unknown step $step"
  ;;
esac
echo "package $step: ok"
