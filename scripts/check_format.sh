#!/bin/sh
# Fails, naming the files, when a tracked C++ file differs from what
# clang-format makes of it with the committed .clang-format.
set -eu
cd "$(dirname "$0")/.."
bad=$(git ls-files '*.cpp' '*.h' | while read -r f; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || echo "$f"
done)
if [ -n "$bad" ]; then
  echo "Not formatted (run clang-format -i on them):" >&2
  echo "$bad" >&2
  exit 1
fi
echo "Formatting checked."
