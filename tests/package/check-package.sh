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
for path in ./usr/bin/delvarine ./usr/share/applications/org.delvarine.Delvarine.desktop \
            ./usr/share/icons/hicolor/scalable/apps/delvarine.svg \
            ./usr/share/metainfo/org.delvarine.Delvarine.metainfo.xml \
            ./usr/share/man/man1/delvarine.1.gz ./usr/share/doc/delvarine/copyright \
            ./usr/share/doc/delvarine/changelog.gz; do
  grep -q " $path\$" <<<"$contents" || { echo "missing from the package: $path"; exit 1; }
done
depends="$(dpkg-deb -f "$deb" Depends)"
grep -q libqt6widgets6 <<<"$depends" || { echo "no Qt dependency: $depends"; exit 1; }
# The file and print dialogs speak Russian only with Qt's translations.
grep -q qt6-translations-l10n <<<"$depends" || { echo "no Qt translations: $depends"; exit 1; }
# Debian's own checks: no error and no warning.
lintian --fail-on error,warning "$deb" > "$out/lintian.log" 2>&1 || {
  cat "$out/lintian.log"
  exit 1
}
grep -E "^[EW]: " "$out/lintian.log" && { echo "lintian is not clean"; exit 1; }
mkdir "$out/root"
dpkg-deb -x "$deb" "$out/root"
desktop-file-validate "$out/root/usr/share/applications/org.delvarine.Delvarine.desktop" > "$out/desktop.log" 2>&1 || true
if [ -s "$out/desktop.log" ]; then cat "$out/desktop.log"; echo "desktop entry is not clean"; exit 1; fi
appstreamcli validate --no-net --pedantic "$out/root/usr/share/metainfo/org.delvarine.Delvarine.metainfo.xml" \
  > "$out/appstream.log" 2>&1 || { cat "$out/appstream.log"; exit 1; }
grep -E "^[EW]: " "$out/appstream.log" && { echo "metainfo is not clean"; exit 1; }
# The installed program finds its module: a command the executable runs
# itself and one that needs the module.
"$out/root/usr/bin/delvarine" graph --help > /dev/null
"$out/root/usr/bin/delvarine" --version | grep -q "^delvarine " || {
  echo "the installed program does not run"
  exit 1
}
# The manual page renders and names every option of the help.
MANWIDTH=300 man -l "$out/root/usr/share/man/man1/delvarine.1.gz" > "$out/man.txt" 2> "$out/man.err"
[ -s "$out/man.err" ] && { cat "$out/man.err"; exit 1; }
for command in "" read graph simulate; do "$build/app/delvarine" $command --help; done |
  grep -oE -- "--?[A-Za-z][A-Za-z-]*" | sort -u | while read -r option; do
  grep -qF -- "$option" "$out/man.txt" || { echo "the manual page lacks $option"; exit 1; }
done
echo "package ok: $(basename "$deb")"
