#!/bin/sh
# Builds the calculator and runs it on its start-up example matrices: A, B, A+B and A-B,
# printing the Result pane.
set -eu
cd "$(dirname "$0")/.."
./scripts/build.sh --target kelvaro-cli
exec ./build/cli/kelvaro-cli A B A+B A-B
