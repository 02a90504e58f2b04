#!/bin/sh
# Installs what is missing, builds, and opens the editor on the bundled
# sample table (or on the file given as the first argument).
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh run
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs" --target tessary-cli
file=${1:-samples/sample.gda}
# Until the editor window exists, show the table as text.
exec build/src/cli/tessary-cli dump "$file"
