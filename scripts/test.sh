#!/bin/sh
# Builds everything (Release: the calculator, the tests and the benchmarks) and runs every
# test with ctest.
set -eu
cd "$(dirname "$0")/.."
./scripts/build.sh
ctest --test-dir build --output-on-failure -j2
