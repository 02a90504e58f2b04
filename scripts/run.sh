#!/bin/sh
# Installs what is missing, builds the editor, and opens it on the bundled
# sample table (or on the file given as the first argument).
set -eu
cd "$(dirname "$0")/.."
file=${1:-samples/sample.gda}
scripts/deps.sh run
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs" --target tessary tessary-cli
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<MSG
run.sh: there is no display to open the editor window on (neither DISPLAY nor
WAYLAND_DISPLAY is set). Run it from a desktop session, or under a virtual
display:  xvfb-run -a ./scripts/run.sh $file
To see the table as text instead:  build/src/cli/tessary-cli dump $file
MSG
  exit 1
fi
exec build/src/app/tessary "$file"
