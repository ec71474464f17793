#!/usr/bin/env bash
# Starts the window on a virtual X display, under a window manager (openbox) as on a desktop,
# and saves a screenshot of the screen, so the window can be looked at without a desktop.
#   scripts/screenshot.sh [OUTPUT.png] [PROGRAM]
# OUTPUT defaults to build/kelvaro-window.png, PROGRAM to build/kelvaro. KELVARO_SCREENSHOT_SCREEN
# sets the virtual screen (default 1120x760x24; a scaled window needs a larger one).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/kelvaro-window.png}
program=${2:-build/kelvaro}
./scripts/install-deps.sh xvfb xauth imagemagick openbox
[ -x "$program" ] || { echo "screenshot.sh: $program not built yet" >&2; exit 1; }
out_abs=$(realpath -m "$out")
program_abs=$(realpath "$program")
# The window comes back as it was left: unless told where (XDG_STATE_HOME), it starts from a
# scratch folder, as on a first run, and leaves the person's own state alone.
if [ -z "${XDG_STATE_HOME:-}" ]; then
  XDG_STATE_HOME=$(mktemp -d)
  trap 'rm -rf "$XDG_STATE_HOME"' EXIT
  export XDG_STATE_HOME
fi
# Inside the virtual display: start the window manager and the window, give it time to paint,
# photograph the screen.
xvfb-run -a -s "-screen 0 ${KELVARO_SCREENSHOT_SCREEN:-1120x760x24}" bash -c '
  openbox >/dev/null 2>&1 & wm=$!
  sleep 0.5
  "$1" & pid=$!
  sleep "${KELVARO_SCREENSHOT_DELAY:-2}"
  import -window root "$2"
  kill "$pid" "$wm"
  wait "$pid" "$wm" 2>/dev/null || true
' screenshot "$program_abs" "$out_abs"
echo "screenshot: $out"
