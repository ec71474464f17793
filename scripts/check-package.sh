#!/bin/sh
# Checks what an installation carries, on the build of scripts/build.sh: the installed desktop
# file, AppStream description and file type pass their validators, and cpack -G DEB builds
# kelvaro_<version>_amd64.deb with its dependencies computed, holding both programs, their
# manual pages, the menu entry, the .mtx type and its icon, the copyright and the change log of
# its version; then lintian finds no error or warning in the package, and the programs built
# with Debian's hardening flags and stripped of the sections only a compiler reads.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh lintian
root=build/check-package-root
rm -rf "$root" build/kelvaro_*.deb
DESTDIR="$PWD/$root" cmake --install build --prefix /usr >/dev/null
desktop-file-validate "$root/usr/share/applications/kelvaro.desktop"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
appstreamcli validate-tree --no-net "$root"
update-mime-database "$root/usr/share/mime" >/dev/null 2>&1
grep -qx 'application/x-kelvaro-project:\*\.mtx' "$root/usr/share/mime/globs"

(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/kelvaro_*_amd64.deb)
listing=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for file in usr/bin/kelvaro usr/bin/kelvaro-cli usr/share/man/man1/kelvaro.1.gz \
  usr/share/man/man1/kelvaro-cli.1.gz usr/share/doc/kelvaro/copyright \
  usr/share/doc/kelvaro/changelog.gz usr/share/applications/kelvaro.desktop \
  usr/share/mime/packages/kelvaro.xml usr/share/metainfo/org.example.kelvaro.metainfo.xml \
  usr/share/icons/hicolor/48x48/apps/kelvaro.png \
  usr/share/icons/hicolor/48x48/mimetypes/application-x-kelvaro-project.png \
  usr/share/doc/kelvaro/matrix.html; do
  if ! echo "$listing" | grep -qx "\./$file"; then
    echo "check-package: $deb does not hold /$file" >&2
    exit 1
  fi
done
if ! dpkg-deb -f "$deb" Depends | grep -q '^fonts-liberation, .*libqt6widgets6.*libstdc++6'; then
  echo "check-package: $deb does not depend on its font and its computed dependencies" >&2
  exit 1
fi
version=$(dpkg-deb -f "$deb" Version)
if ! dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/kelvaro/changelog.gz |
  gzip -dc | head -n 1 | grep -q "^kelvaro ($version) "; then
  echo "check-package: the change log's last entry is not version $version" >&2
  exit 1
fi
# Information tags are shown too: those about hardening and stripping fail the check as well.
report=$(lintian --pedantic --display-info "$deb" 2>&1 |
  grep -v 'running with root privileges' || true)
[ -n "$report" ] && echo "$report"
if echo "$report" | grep -Eq '^[EW]: |hardening-|binary-has-unneeded-section'; then
  echo "check-package: lintian finds faults in $deb" >&2
  exit 1
fi
rm -rf "$root"
echo "check-package: $deb installs both programs, the menu entry and the .mtx type; lintian is content"
