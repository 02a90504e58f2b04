#!/bin/sh
# Makes the Debian package of a release: a Release build with Debian's
# compiler flags and every hardening feature in build-release/, then CPack's
# DEB generator. The package is left in the top folder as
# tessary_VERSION_ARCH.deb. TESSARY_MAINTAINER="Name <address>" sets the
# package's maintainer field.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh package

# Flags only take effect when build-release is configured for the first time.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
CFLAGS="$CFLAGS $CPPFLAGS"
CXXFLAGS="$CXXFLAGS $CPPFLAGS"
export CFLAGS CXXFLAGS LDFLAGS
set -- -DCMAKE_BUILD_TYPE=Release -DTESSARY_TESTS=OFF -DTESSARY_BENCH=OFF
if command -v ccache > /dev/null 2>&1; then
  set -- "$@" -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
[ -n "${TESSARY_MAINTAINER:-}" ] && set -- "$@" "-DTESSARY_MAINTAINER=$TESSARY_MAINTAINER"

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-release -G Ninja "$@"
cmake --build build-release -j "$jobs"
rm -rf build-release/package
cpack -G DEB -B "$PWD/build-release/package" --config build-release/CPackConfig.cmake
cp build-release/package/tessary_*.deb .
ls -l tessary_*.deb
