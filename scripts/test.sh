#!/bin/sh
# Installs what is missing, builds, and runs every test:
#   1. the formatting check, then the normal build: unit, GUI (offscreen),
#      integration (real spreadsheet readers) and corpus-replay tests;
#   2. a clang build with AddressSanitizer and UndefinedBehaviorSanitizer:
#      the unit tests again, and each fuzz target for a short while.
# Both builds treat compiler warnings as errors.
# Options: --quick skips step 2; FUZZ_SECONDS sets the fuzzing time per target.
set -eu
cd "$(dirname "$0")/.."
quick=0
[ "${1:-}" = "--quick" ] && quick=1

scripts/deps.sh test
scripts/check_format.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARY_WERROR=ON
cmake --build build -j "$jobs"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs" --timeout 900)

[ "$quick" -eq 1 ] && exit 0

CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTESSARY_SANITIZE=ON -DTESSARY_FUZZ=ON -DTESSARY_GUI=OFF -DTESSARY_BENCH=OFF -DTESSARY_WERROR=ON
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs" -LE interop --timeout 900)

seconds=${FUZZ_SECONDS:-30}
for target in build-asan/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  work=$(mktemp -d)
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/"
  echo "Fuzzing $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 "$work"
  rm -rf "$work"
done
echo "All tests passed."
