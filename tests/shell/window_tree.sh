#!/bin/sh
# Starts the window as a screen reader finds it (a virtual display, a D-Bus session of its own
# with the accessibility bus, accessibility on), then window_tree.py walks its tree.
#   tests/shell/window_tree.sh PROGRAM
# Exit 77 (skipped) where this machine cannot give an accessibility bus.
set -u
program=$(realpath "$1")
walker=$(realpath "$(dirname "$0")/window_tree.py")
launcher=/usr/libexec/at-spi-bus-launcher
for tool in xvfb-run dbus-run-session dbus-send "$launcher"; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: no $tool"; exit 77; }
done
# The buses and the window keep their files in a scratch home.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch" XDG_RUNTIME_DIR="$scratch"
unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME

xvfb-run -a -s "-screen 0 1120x760x24" dbus-run-session -- sh -c '
  "$1" --launch-immediately >/dev/null 2>&1 & bus=$!
  tries=0
  until dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
      org.a11y.Bus.GetAddress >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -lt 50 ] || { echo "skipped: no accessibility bus"; exit 77; }
    sleep 0.1
  done
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$2" >/dev/null 2>&1 & window=$!
  /usr/bin/python3 "$3"; status=$?
  kill "$window" "$bus" 2>/dev/null
  wait
  exit "$status"' walk "$launcher" "$program" "$walker"
