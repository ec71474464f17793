#!/bin/sh
# Configures (Release) and builds Kelvaro in build/; extra arguments go to cmake --build.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build "$@"
