#!/usr/bin/env bash
# Builds the .deb from the build folder and checks what it installs.
set -euo pipefail
build="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" > "$out/cpack.log" 2>&1 || {
  cat "$out/cpack.log"
  exit 1
}
deb="$(ls "$out"/*.deb)"
contents="$(dpkg-deb --contents "$deb")"
for path in ./usr/bin/delvarine ./usr/share/applications/delvarine.desktop \
            ./usr/share/icons/hicolor/scalable/apps/delvarine.svg \
            ./usr/share/metainfo/org.delvarine.Delvarine.metainfo.xml; do
  grep -q " $path\$" <<<"$contents" || { echo "missing from the package: $path"; exit 1; }
done
depends="$(dpkg-deb -f "$deb" Depends)"
grep -q libqt6widgets6 <<<"$depends" || { echo "no Qt dependency: $depends"; exit 1; }
echo "package ok: $(basename "$deb")"
