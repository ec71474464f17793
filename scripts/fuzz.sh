#!/bin/sh
# Runs the fuzz targets that scripts/sanitize.sh builds, each for SECONDS seconds (default
# 60), starting from its corpus in fuzz/corpus/<target>/. What the fuzzer adds goes to a
# scratch directory, so the committed corpus stays as it is. A crash, a leak, a time-out, too
# much memory or a sanitizer report stops the run with a failure; the input is saved in
# build-sanitize/fuzz-findings/ (commit it to fuzz/corpus/<target>/ once it is fixed).
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#   (targets: fuzz_element fuzz_exact fuzz_commands fuzz_project fuzz_paste)
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
[ $# -eq 0 ] && set -- fuzz_element fuzz_exact fuzz_commands fuzz_project fuzz_paste
for target in "$@"; do
  [ -x "build-sanitize/fuzz/$target" ] || ./scripts/sanitize.sh -R "^${target}_corpus\$"
done
findings=build-sanitize/fuzz-findings
mkdir -p "$findings"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
for target in "$@"; do
  case $target in
    fuzz_element | fuzz_exact) max_len=256 ;;
    fuzz_commands | fuzz_paste) max_len=1024 ;;
    *) max_len=4096 ;;
  esac
  mkdir -p "$scratch/$target"
  echo "fuzz.sh: $target for $seconds s"
  "build-sanitize/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$findings/$target-" \
    "$scratch/$target" "fuzz/corpus/$target" >"$scratch/$target.log" 2>&1 || {
    tail -n 60 "$scratch/$target.log" >&2
    echo "fuzz.sh: $target found a failure; its input is in $findings/" >&2
    exit 1
  }
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' \
    "$scratch/$target.log" | sed "s/^/  /"
done
