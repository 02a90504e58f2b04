#!/bin/sh
# tessary-cli diff and merge on the distinct-text table, loading and saving
# included: three runs each, timed by /usr/bin/time -v, printing CPU time
# (user + system), wall time and peak memory of each run and the best CPU
# time. The tables are written by bench_compare once.
#   bench/compare.sh [BUILD_DIR] [WORK_DIR]
set -eu
build=${1:-build}
work=${2:-${TMPDIR:-/tmp}/tessary-compare-bench}
cli=$build/src/cli/tessary-cli
[ -f "$work/theirs.gda" ] || "$build/bench/bench_compare" --write "$work" > /dev/null

run() {
  label=$1
  shift
  for i in 1 2 3; do
    /usr/bin/time -v "$@" > /dev/null 2> "$work/time.txt" || true
    awk -F': ' -v label="$label" '
      /User time/ { u = $2 } /System time/ { s = $2 } /Maximum resident/ { m = $2 }
      /Elapsed \(wall clock\)/ { n = split($2, p, ":"); w = p[n] + (n > 1 ? p[n - 1] * 60 : 0) }
      END { printf "%s: %.2f s CPU, %.2f s wall, %.0f MB\n", label, u + s, w, m / 1024 }
    ' "$work/time.txt"
  done | tee "$work/runs.txt"
  sort -t: -k2 -n "$work/runs.txt" | head -1 | sed 's/^/best /'
}

run diff "$cli" diff "$work/base.gda" "$work/other.gda"
run merge "$cli" merge "$work/base.gda" "$work/ours.gda" "$work/theirs.gda" -o "$work/out.gda"
