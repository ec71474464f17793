#!/bin/sh
# Times kelvaro-cli end to end on Auto with two real 200 x 200 panes (every one of the 39
# steps aligns, reads, computes and prints) with hyperfine. Extra arguments go to hyperfine.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh hyperfine
./scripts/build.sh --target kelvaro-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
# Values with three decimals between -10 and 10, seed 1 for A and 2 for B.
for seed in 1 2; do
  awk -v n=200 -v seed="$seed" 'BEGIN { srand(seed); for (r = 0; r < n; r++) { s = "";
    for (c = 0; c < n; c++) s = s sprintf("%s%.3f", c ? " " : "", rand() * 20 - 10); print s } }' \
    > "$work/$seed.txt"
done
hyperfine --warmup 1 --runs 10 "$@" \
  "./build/cli/kelvaro-cli --a=$work/1.txt --b=$work/2.txt auto > /dev/null"
