#!/usr/bin/env bash
# The README's demo command as a newcomer runs it: a copy of the sources with
# no build folder, tools/demo without a display and with a shortened reading.
# It must configure and build by itself and leave the log and the graph.
set -euo pipefail
source_dir="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir "$work/clone"
if git -C "$source_dir" rev-parse --is-inside-work-tree > /dev/null 2>&1; then
  # The files a clone would have, as they are in the working tree now.
  git -C "$source_dir" ls-files -z --cached --others --exclude-standard \
    | (cd "$source_dir" && xargs -0 cp --parents -t "$work/clone" 2>/dev/null || true)
else
  (cd "$source_dir" && tar --exclude=./build -cf - .) | tar -xf - -C "$work/clone"
fi
[ -x "$work/clone/tools/demo" ] || fail "the copy has no tools/demo"
[ ! -e "$work/clone/build" ] || fail "the copy already has a build folder"

cd "$work/clone"
env -u DISPLAY -u WAYLAND_DISPLAY tools/demo --demo-seconds 3 > "$work/demo.txt" 2>&1 \
  || fail "tools/demo: $(tail -20 "$work/demo.txt")"
grep -q "^No display" "$work/demo.txt" || fail "the demo does not say it has no display"
log="$(ls build/demo/20*.txt 2>/dev/null | head -1)"
[ -n "$log" ] && [ -s "$log" ] || fail "the demo wrote no log"
grep -a -q "^Start" "$log" || fail "the log does not start with Start"
png="$(sed -n 's/^graph: //p' "$work/demo.txt")"
[ -s "build/demo/$png" ] || [ -s "$png" ] || fail "the demo wrote no graph ($png)"
echo "clean build and demo: $(grep -c '^..:..:..:...' "$work/demo.txt") lines, log $log, graph $png"
