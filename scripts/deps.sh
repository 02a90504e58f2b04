#!/bin/sh
# Installs the Debian packages a job needs, only those that are missing.
#   scripts/deps.sh build   compilers, CMake, Qt 6, ICU, zlib, GoogleTest, Google Benchmark,
#                           the SVG converter that draws the PNG icon
#   scripts/deps.sh run     build + the fonts the editor shows text in
#   scripts/deps.sh package build + what CPack needs to compute the package's dependencies
#   scripts/deps.sh test    build + clang for fuzzing and sanitizers, clang-format, Xvfb,
#                           the spreadsheet readers of the integration tests, the
#                           checkers of the package tests, and git for the test of
#                           tessary-cli as git's diff and merge driver
set -eu

build_pkgs="build-essential cmake ninja-build pkg-config qt6-base-dev libicu-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev librsvg2-bin"
run_pkgs="fonts-dejavu-core fonts-liberation2"
package_pkgs="dpkg-dev file"
test_pkgs="clang clang-format libclang-rt-14-dev xvfb xauth python3 python3-xlrd libreoffice-calc-nogui
  gnumeric fonts-dejavu-core fonts-liberation2
  dpkg-dev file man-db desktop-file-utils appstream libxml2-utils shared-mime-info libglib2.0-bin
  lintian git"

case "${1:-build}" in
  build) wanted="$build_pkgs" ;;
  run) wanted="$build_pkgs $run_pkgs" ;;
  package) wanted="$build_pkgs $package_pkgs" ;;
  test) wanted="$build_pkgs $test_pkgs" ;;
  *) echo "usage: $0 build|run|package|test" >&2; exit 2 ;;
esac

missing=""
for p in $wanted; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
