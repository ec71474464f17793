#!/bin/sh
# Times kelvaro-cli end to end on "A+B" of two 1000 x 1000 complex panes (read both files,
# align, compute, print) with hyperfine. Arguments go to hyperfine (default: --runs 10).
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh hyperfine
./scripts/build.sh --target kelvaro-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
for name in a b; do
  awk -v seed="$([ $name = a ] && echo 1 || echo 2)" 'BEGIN {
    srand(seed)
    for (r = 0; r < 1000; r++) {
      line = ""
      for (c = 0; c < 1000; c++) {
        re = int(rand() * 20000) / 8 - 1250; im = int(rand() * 2000) / 4 - 250
        line = line (c ? " " : "") sprintf("%.3f%+.2fi", re, im)
      }
      print line
    }
  }' > "$work/$name.txt"
done
[ $# -eq 0 ] && set -- --runs 10
hyperfine --warmup 2 "$@" \
  "./build/cli/kelvaro-cli --a=$work/a.txt --b=$work/b.txt A+B > /dev/null"
