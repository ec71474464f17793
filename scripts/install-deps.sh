#!/bin/sh
# Installs, with apt-get, whatever of Kelvaro's build and test packages is missing.
# Safe to run again: packages already installed are left alone. Extra packages may be named
# on the command line (scripts/bench-cli.sh asks for hyperfine, scripts/screenshot.sh for
# imagemagick and a window manager, scripts/check-package.sh for lintian this way).
set -eu

# Everything the build and the tests need. Add a package here and every script gets it.
# qt6-base-dev builds the window, qt6-svg-dev and qt6-charts-dev its pictures (qt6-svg-dev
# kelvaro-cli's too; Qt Charts' CMake files need libqt6opengl6-dev, which Debian 12's
# qt6-charts-dev does not pull in); fonts-liberation gives it its fonts, and fonts-dejavu-core
# the wider font a window test shows it in instead; xvfb and xauth let
# scripts/screenshot.sh show the window on a virtual display; clang and libclang-rt-14-dev
# (its sanitizer and libFuzzer runtimes) build scripts/sanitize.sh's checking build. python3
# reads the CSV and TSV copies back in a test. desktop-file-utils, appstream and
# shared-mime-info check the installed desktop files (scripts/check-package.sh), and dpkg-dev
# and file let cpack compute the Debian package's dependencies. dbus, at-spi2-core,
# python3-pyatspi and gir1.2-atspi-2.0 give the accessibility test (tests/shell/window_tree.sh)
# its D-Bus session, its accessibility bus and the screen reader's view of the window. The
# exact arithmetic stands on FLINT, Arb, Calcium and Antic (with GMP and MPFR).
PACKAGES="cmake ninja-build g++ libgtest-dev libbenchmark-dev locales qt6-base-dev qt6-svg-dev
  qt6-charts-dev libqt6opengl6-dev fonts-liberation fonts-dejavu-core xvfb xauth
  clang libclang-rt-14-dev llvm-14 python3 desktop-file-utils
  appstream shared-mime-info dpkg-dev file dbus at-spi2-core python3-pyatspi gir1.2-atspi-2.0
  libflint-dev libflint-arb-dev libcalcium-dev libantic-dev libgmp-dev libmpfr-dev"

missing=""
for package in $PACKAGES "$@"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1; then
  SUDO="sudo"
else
  echo "install-deps: missing packages:$missing (run this script as root to install them)" >&2
  exit 1
fi
echo "install-deps: installing$missing"
$SUDO apt-get update -q
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
