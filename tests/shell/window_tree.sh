#!/bin/sh
# tests/shell/window_tree.sh PROGRAM: the window on a virtual display, in a D-Bus session of its
# own with the accessibility bus, walked by window_tree.py. Exit 77 (skipped): no bus here.
set -u
program=$(realpath "$1")
walker=$(realpath "$(dirname "$0")/window_tree.py")
for tool in xvfb-run dbus-run-session dbus-send /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: no $tool"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch" XDG_RUNTIME_DIR="$scratch"
unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME

# Asking the session for the accessibility bus starts at-spi-bus-launcher.
xvfb-run -a -s "-screen 0 1120x760x24" dbus-run-session -- sh -c '
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    >/dev/null 2>&1 || { echo "skipped: no accessibility bus"; exit 77; }
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$1" >/dev/null 2>&1 & window=$!
  /usr/bin/python3 "$2"; status=$?
  kill "$window"; wait
  exit "$status"' walk "$program" "$walker"
