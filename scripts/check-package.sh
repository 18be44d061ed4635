#!/usr/bin/env bash
# Builds the Debian package from a finished build folder, unpacks it into a
# temporary root (no installation on this machine) and checks that every
# file a user needs is there and that the programs run from it.
# Usage: scripts/check-package.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}

(cd "$BUILD" && rm -f tandemix_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$BUILD"/tandemix_*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

fail=0
need() {
  if [[ ! -e "$root/$1" ]]; then
    echo "missing from the package: /$1"
    fail=1
  fi
}
need usr/bin/tandemix
need usr/bin/tandemix-cli
need usr/lib/tandemix/tandemix
need usr/lib/tandemix/tandemix-cli
need usr/lib/tandemix/SideBySide_Output.avt
need usr/share/applications/tandemix.desktop
need usr/share/icons/hicolor/scalable/apps/tandemix.svg
need usr/share/mime/packages/tandemix.xml
need usr/share/metainfo/org.tandemix.Tandemix.metainfo.xml
need usr/share/doc/tandemix/LICENSE
need usr/share/doc/tandemix/copyright
((fail == 0)) || exit 1

file -L "$root/usr/bin/tandemix" | grep -q 'ELF 64-bit' || { echo "usr/bin/tandemix is not a program"; exit 1; }
file "$root/usr/share/icons/hicolor/scalable/apps/tandemix.svg" | grep -q 'SVG' || { echo "the icon is not SVG"; exit 1; }
cmp -s LICENSE "$root/usr/share/doc/tandemix/LICENSE" || { echo "the licence differs"; exit 1; }
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$root/usr/share/metainfo/org.tandemix.Tandemix.metainfo.xml"
grep -q '^Exec=tandemix %f$' "$root/usr/share/applications/tandemix.desktop"
grep -q '^MimeType=.*application/x-tandemix-project;' "$root/usr/share/applications/tandemix.desktop"
grep -q '<glob pattern="\*.avt"/>' "$root/usr/share/mime/packages/tandemix.xml"
grep -q '<glob pattern="\*.avp"/>' "$root/usr/share/mime/packages/tandemix.xml"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$root/usr/share/applications/tandemix.desktop"; fi

# The package names what it links, and the programs run from the unpacked
# tree with the templates beside them.
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "Depends lacks Qt"; exit 1; }
"$root/usr/bin/tandemix-cli" --help >/dev/null
echo "package $(basename "$deb") holds every file and its programs run"
