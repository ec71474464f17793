#!/bin/sh
# Builds the calculator and starts the window. Without a display (no DISPLAY or
# WAYLAND_DISPLAY) it says so and runs kelvaro-cli on the start-up example matrices instead:
# A, B, A+B and A-B, printing the Result pane.
set -eu
cd "$(dirname "$0")/.."
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  ./scripts/build.sh --target kelvaro
  exec ./build/kelvaro
fi
echo "run.sh: no display available (DISPLAY and WAYLAND_DISPLAY are unset);" \
  "running the same calculator as kelvaro-cli instead:" >&2
./scripts/build.sh --target kelvaro-cli
exec ./build/cli/kelvaro-cli A B A+B A-B
