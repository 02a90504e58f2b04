#!/bin/sh
# Times tessary-cli on the shared-string tables (CPU time and peak memory,
# best of three runs): .xls and CSV exports, and the refusal of a cell
# longer than a workbook string. Usage: bench/shared_strings.sh BUILD_DIR
set -eu
build=${1:-build}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$build/bench/bench_shared_strings" make "$dir"
run() {
  label=$1
  shift
  for i in 1 2 3; do
    rm -f "$dir/out.xls" "$dir/out.csv"
    /usr/bin/time -f "$label: %U user %S sys, %M KB peak, exit %x" "$@" >/dev/null 2>>"$dir/times" || true
  done
  grep "^$label:" "$dir/times" | sort -t' ' -k2 -n | head -1
}
run "export xls.gda to .xls" "$build/src/cli/tessary-cli" export "$dir/xls.gda" "$dir/out.xls"
run "export csv.gda to CSV" "$build/src/cli/tessary-cli" export "$dir/csv.gda" "$dir/out.csv"
run "export long.gda to .xls (refused)" "$build/src/cli/tessary-cli" export "$dir/long.gda" "$dir/out.xls"
