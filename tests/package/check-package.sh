#!/usr/bin/env bash
# Builds the Debian package from a configured build folder, unpacks it into a temporary root
# and checks what a desktop needs: the program, the desktop entry, the icon and the metainfo,
# each validated by the desktop's own tools where they are installed.
# Usage: check-package.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; exit 1; }
package=$(ls "$work"/out/tavelin_*.deb)
dpkg-deb -x "$package" "$work/root"

fail() { echo "FAIL: $*"; exit 1; }
root=$work/root/usr
for file in bin/tavelin share/applications/tavelin.desktop \
            share/icons/hicolor/scalable/apps/tavelin.svg \
            share/metainfo/io.github.tavelin.Tavelin.metainfo.xml share/man/man1/tavelin.1.gz; do
  [ -f "$root/$file" ] || fail "the package lacks /usr/$file"
done
[ -x "$root/bin/tavelin" ] || fail "the program is not executable"
"$root/bin/tavelin" --version | grep -q '^Tavelin ' || fail "the packaged program does not run"

entry=$root/share/applications/tavelin.desktop
grep -qx 'Exec=tavelin %U' "$entry" || fail "the entry does not open folders given to it"
grep -qx 'MimeType=inode/directory;' "$entry" || fail "the entry is not offered for folders"
grep -qx 'Categories=System;Utility;Filesystem;' "$entry" || fail "the entry's categories"
grep -qx 'Exec=tavelin --demo' "$entry" || fail "the entry offers no demonstration"
dpkg-deb -f "$package" Depends | grep -q libqt6widgets6 || fail "no dependency on Qt"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "desktop-file-validate"
else
  echo "desktop-file-validate is not installed: the entry is not validated"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --explain "$root/share/metainfo/io.github.tavelin.Tavelin.metainfo.xml" \
    || fail "appstreamcli validate"
else
  echo "appstreamcli is not installed: the metainfo is not validated"
fi
if command -v xmllint >/dev/null; then
  xmllint --noout "$root/share/icons/hicolor/scalable/apps/tavelin.svg" || fail "the icon is not XML"
fi
echo "package ok: $(basename "$package")"
