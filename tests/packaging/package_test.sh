#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the build folder into a temporary folder and checks it as
# Debian and the software centres do: lintian with every E, W, I and X tag failing (overrides
# carry their reasons), the desktop entry, the AppStream metadata, and what must be inside.
# Usage: package_test.sh BUILD_DIR VERSION
set -eu
build=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; status=1; }
status=0

for tool in cpack lintian desktop-file-validate appstreamcli dpkg-deb; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: ./scripts/test installs it"; exit 1; }
done
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
deb=$work/nullsweep_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { ls "$work"; exit 1; }

lintian --fail-on error,warning,info,experimental --display-info --display-experimental "$deb" || fail "lintian"

root=$work/root
dpkg-deb -x "$deb" "$root"
desktop=$root/usr/share/applications/nullsweep.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
# A desktop entry that takes inode/directory can become the desktop's folder handler.
! grep -q '^MimeType=' "$desktop" || fail "the desktop entry claims a MIME type"
grep -q '^Keywords=.' "$desktop" || fail "the desktop entry has no Keywords"
metainfo=$root/usr/share/metainfo/io.github.nullsweep.Nullsweep.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree"

# The version is written into the changelog and the metadata by hand: they follow the build.
zcat "$root/usr/share/doc/nullsweep/changelog.gz" | head -n 1 | grep -q "^nullsweep ($version) " ||
    fail "the changelog's last entry is not $version"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"

for file in usr/share/man/man1/nullsweep.1.gz usr/share/bash-completion/completions/nullsweep \
    usr/share/zsh/vendor-completions/_nullsweep usr/share/fish/vendor_completions.d/nullsweep.fish; do
    [ -s "$root/$file" ] || fail "$file is missing"
done
for size in 16 22 24 32 48 64 128 256; do
    file "$root/usr/share/icons/hicolor/${size}x$size/apps/nullsweep.png" |
        grep -q "PNG image data, $size x $size" || fail "no ${size}x$size icon"
done
exit $status
