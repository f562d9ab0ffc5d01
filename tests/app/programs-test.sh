#!/usr/bin/env bash
# The program as a user runs it: help and version, the headless demo (log and
# graph appear), the simulator feeding the console reader (lines sent equal
# lines counted and logged), the graph command's bins and exit codes.
set -euo pipefail
program="$1"
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }

"$program" --help | grep -q "^  graph " || fail "--help lists no graph command"
# Console conventions, the same for every command.
for command in read graph simulate; do
  "$program" "$command" --help > help.txt || fail "$command --help exits non-zero"
  grep -q "^usage: delvarine $command" help.txt || fail "$command --help shows no usage"
done
set +e; "$program" /dev/ttyUSB0 > /dev/null 2> err.txt; code=$?; set -e
[ "$code" -eq 2 ] && grep -q 'unknown command "/dev/ttyUSB0"' err.txt || fail "a stray word exits $code"
set +e; "$program" simulate stray > /dev/null 2> err.txt; code=$?; set -e
[ "$code" -eq 2 ] && grep -q "usage: delvarine simulate" err.txt || fail "simulate stray exits $code"
set +e; "$program" read --discard=yes x > /dev/null 2> err.txt; code=$?; set -e
[ "$code" -eq 2 ] && grep -q "takes no value" err.txt || fail "--discard=yes exits $code"
"$program" --version | grep -q "^delvarine " || fail "--version"
set +e; "$program" --no-such-option > /dev/null 2>&1; code=$?; set -e
[ "$code" -eq 2 ] || fail "an unknown option exits $code, not 2"
set +e; "$program" graph > /dev/null 2>&1; code=$?; set -e
[ "$code" -eq 2 ] || fail "graph without a file exits $code, not 2"
set +e; "$program" graph missing.txt > /dev/null 2> err.txt; code=$?; set -e
[ "$code" -eq 1 ] && grep -q "cannot open missing.txt" err.txt || fail "missing log: exit $code"

# The registration words are case-blind after '-' or '/'.
for word in /unregserver -UNREGSERVER /UnregServer; do
  HOME="$work/home" "$program" "$word" > /dev/null 2> err.txt || fail "$word: $(cat err.txt)"
done

# The window without a display: one line that says what helps, exit 1.
set +e; env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" > out.txt 2> err.txt; code=$?; set -e
[ "$code" -eq 1 ] && [ "$(wc -l < err.txt)" -eq 1 ] && grep -q "needs a display" err.txt \
  || fail "no display: exit $code, $(cat err.txt)"

# The demo without a display, shortened.
env -u DISPLAY -u WAYLAND_DISPLAY "$program" --demo --demo-seconds 3 > demo.txt 2> demo-err.txt \
  || fail "demo: $(cat demo-err.txt)"
grep -q "^No display" demo.txt || fail "the demo does not say it has no display"
log="$(ls 20*.txt | head -1)"
[ -s "$log" ] || fail "the demo wrote no log"
png="$(sed -n 's/^graph: //p' demo.txt)"
[ -s "$png" ] || fail "the demo wrote no graph"

# 500 lines from the simulator, every one counted by the reader.
"$program" simulate --pty --lines 500 --tx 1234 --seconds 60 > pty.txt 2> sim.txt &
for _ in $(seq 400); do [ -s pty.txt ] && break; sleep 0.05; done
mkdir logs
"$program" read --device "$(cat pty.txt)" --tx 1234 --log-dir logs --duration 5 > read.txt 2> read-err.txt
wait
grep -q "sent 500 lines: 1234 500" sim.txt || fail "simulator: $(cat sim.txt)"
[ "$(grep -c 'P1234' read.txt)" -eq 500 ] || fail "the reader printed $(grep -c P1234 read.txt) of 500 lines"
runlog="$(ls logs/*.txt)"
[ "$(grep -a -c ' P 1234 ' "$runlog")" -eq 500 ] || fail "the log holds $(grep -a -c ' P 1234 ' "$runlog") of 500 lines"
total="$("$program" graph "$runlog" --tx 1234 --bins | sed -n 's/^total \([0-9]*\) span.*/\1/p')"
[ "$total" -gt 0 ] || fail "graph of the run found no receptions"
# A settings file that may be read but not written is used, not refused.
# Root may write any file, so the user is played by nobody; the machine's
# serial ports are covered with /dev/null in case COM1 fell back to one.
if [ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null && unshare -m true 2> /dev/null \
  && setpriv --reuid=65534 --regid=65534 --clear-groups test -x "$program" 2> /dev/null; then
  "$program" simulate --pty --lines 5 --tx 1234 --seconds 60 > pty3.txt 2> /dev/null &
  for _ in $(seq 400); do [ -s pty3.txt ] && break; sleep 0.05; done
  mkdir -p config/Delvarine readonly-logs
  printf '[Devices]\nCOM1=%s\n' "$(cat pty3.txt)" > config/Delvarine/Delvarine.conf
  chmod 0444 config/Delvarine/Delvarine.conf
  chmod 0755 "$work" config config/Delvarine
  chmod 0777 readonly-logs
  chmod 0666 "$(readlink -f "$(cat pty3.txt)")"
  XDG_CONFIG_HOME="$work/config" unshare -m sh -c '
    for port in /dev/ttyS*; do [ -e "$port" ] && mount --bind /dev/null "$port"; done
    exec setpriv --reuid=65534 --regid=65534 --clear-groups "$1" read --port 1 --tx 1234 \
      --log-dir readonly-logs --duration 4' sh "$program" > readonly.txt 2> readonly-err.txt
  wait
  grep -q "cannot be read" readonly-err.txt && fail "a read-only settings file was refused: $(cat readonly-err.txt)"
  [ "$(grep -c P1234 readonly.txt)" -eq 5 ] || fail "read --port 1 with read-only settings read $(grep -c P1234 readonly.txt) of 5 lines: $(cat readonly-err.txt)"
fi

# Killed during a reading: the log holds every line that was complete.
"$program" simulate --pty --lines 50 --tx 1234 --seconds 60 > pty2.txt 2> /dev/null &
for _ in $(seq 400); do [ -s pty2.txt ] && break; sleep 0.05; done
mkdir killed
"$program" read --device "$(cat pty2.txt)" --tx 1234 --log-dir killed > killed.txt 2> /dev/null &
reader=$!
for _ in $(seq 400); do [ "$(grep -c P1234 killed.txt)" -ge 50 ] && break; sleep 0.05; done
kill -9 "$reader"
wait "$reader" 2> /dev/null || true
killedlog="$(ls killed/*.txt)"
[ "$(grep -a -c ' P 1234 ' "$killedlog")" -eq 50 ] || fail "after kill -9 the log holds $(grep -a -c ' P 1234 ' "$killedlog") of 50 lines"
head -c 7 "$killedlog" | grep -q Start || fail "the killed run's log lost its start"
wait

# A picture written to a full disk fails, says so and leaves the old file.
if unshare -m true 2> /dev/null; then
  mkdir full
  cp "$runlog" full-run.txt
  set +e
  unshare -m bash -c '
    mount -t tmpfs -o size=256k tmpfs full || exit 77
    echo "yesterday" > full/g.pdf
    dd if=/dev/zero of=full/fill bs=4k 2> /dev/null
    # Room for a part of the picture only.
    truncate -s -8K full/fill
    "$1" graph full-run.txt --tx 1234 --output full/g.pdf > /dev/null 2> full-err.txt
    code=$?
    cat full/g.pdf > full-kept.txt
    exit $code' sh "$program"
  code=$?
  set -e
  if [ "$code" -ne 77 ]; then
    [ "$code" -eq 1 ] && grep -q "cannot write" full-err.txt \
      || fail "a picture on a full disk: exit $code, $(cat full-err.txt)"
    [ "$(cat full-kept.txt)" = yesterday ] || fail "a picture on a full disk replaced the old file"
  fi
fi
# The launcher loads its module only from its own folder or the installed
# one, whole, and of its own version; never from the current directory.
module="$(dirname "$program")/delvarine-main.so"
mkdir -p launcher/bin launcher/cwd
cp "$program" launcher/bin/delvarine
compiler="$(command -v c++ || command -v g++ || true)"
if [ -n "$compiler" ]; then
  printf '%s\n' 'extern "C" const char DelvarineModuleVersion[] = "0.1";' \
    'extern "C" int DelvarineMain(int, char**) { return 42; }' > planted.cpp
  "$compiler" -shared -fPIC -o launcher/cwd/delvarine-main.so planted.cpp
  # Grown to a module's size, so only its version gives it away.
  truncate -s 1M launcher/cwd/delvarine-main.so
  if unshare -m true 2> /dev/null; then
    set +e
    (cd launcher/cwd && unshare -m sh -c 'mount -t tmpfs none /proc && exec ../bin/delvarine --version' \
      > ../no-proc.txt 2>&1)
    code=$?
    set -e
    [ "$code" -ne 42 ] || fail "without /proc the launcher ran a module from the current directory"
    grep -q "cwd/delvarine-main.so" launcher/no-proc.txt && fail "without /proc: $(cat launcher/no-proc.txt)"
  fi
  cp launcher/cwd/delvarine-main.so launcher/bin/delvarine-main.so
  set +e; launcher/bin/delvarine --version > /dev/null 2> err.txt; code=$?; set -e
  [ "$code" -eq 1 ] && grep -q "belongs to version 0.1" err.txt || fail "another version's module: exit $code, $(cat err.txt)"
fi
head -c 200000 "$module" > launcher/bin/delvarine-main.so
set +e; launcher/bin/delvarine --version > /dev/null 2> err.txt; code=$?; set -e
[ "$code" -eq 1 ] && grep -q "cut short" err.txt || fail "a truncated module: exit $code, $(cat err.txt)"
rm launcher/bin/delvarine-main.so
mkfifo launcher/bin/delvarine-main.so
set +e; timeout 20 launcher/bin/delvarine --version > /dev/null 2> err.txt; code=$?; set -e
[ "$code" -eq 1 ] && grep -q "not a regular file" err.txt || fail "a FIFO for a module: exit $code, $(cat err.txt)"

echo "programs ok"
