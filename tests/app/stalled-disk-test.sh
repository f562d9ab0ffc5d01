#!/usr/bin/env bash
# Ctrl-C while a stalled disk holds the log: the statistics are printed before
# the wait, and a second Ctrl-C ends it, saying what may be missing. The disk
# is a small ext4 image frozen with fsfreeze, in a mount namespace of its own.
set -euo pipefail
program="$1"
if [ "$(id -u)" -ne 0 ] || ! unshare -m true 2> /dev/null || ! command -v fsfreeze > /dev/null \
  || ! command -v mkfs.ext4 > /dev/null; then
  echo "skipped: needs root, a mount namespace, fsfreeze and mkfs.ext4"
  exit 77
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
set +e
unshare -m bash -s "$program" "$work" <<'SCRIPT'
set -uo pipefail
program="$1"
cd "$2"
fail() { echo "FAIL: $*"; [ -f err.txt ] && cat err.txt; exit 1; }
# Waits up to 20 s for a pattern in a file.
await() { for _ in $(seq 400); do grep -q "$1" "$2" 2> /dev/null && return 0; sleep 0.05; done; return 1; }
truncate -s 16M disk.img
mkfs.ext4 -q -F disk.img > /dev/null 2>&1 || exit 77
mkdir mnt
mount -o loop disk.img mnt 2> /dev/null || exit 77
"$program" simulate --pty --rate 20 --tx 1234 --seconds 120 > pty.txt 2> /dev/null &
simulator=$!
await /dev/ pty.txt || fail "no simulator"
"$program" read --device "$(cat pty.txt)" --tx 1234 --log-dir mnt --brief > out.txt 2> err.txt &
reader=$!
await P1234 out.txt || fail "no line read"
fsfreeze -f mnt
kill -INT "$reader"
await "waiting for it" err.txt || { fsfreeze -u mnt; fail "no word of the wait"; }
grep -q "Передатчик 1234 (слот 1): [1-9]" err.txt || { fsfreeze -u mnt; fail "no statistics before the wait"; }
kill -INT "$reader"
await "stopped waiting" err.txt || { fsfreeze -u mnt; fail "a second Ctrl-C did not end the wait"; }
fsfreeze -u mnt
wait "$reader"
code=$?
kill "$simulator" 2> /dev/null
wait "$simulator" 2> /dev/null
umount mnt
[ "$code" -eq 1 ] || fail "exit $code after the second Ctrl-C, not 1"
grep -q "may be missing from .*mnt/" err.txt || fail "the log is not named"
echo "stalled disk ok"
SCRIPT
code=$?
set -e
exit "$code"
