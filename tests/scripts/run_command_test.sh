#!/usr/bin/env bash
# The README's run command on a machine without a display: it keeps running, with the main window shown on
# a virtual display of its own. And the program itself, when it cannot make its window (a Wine server
# started without a display, which every later window of that prefix then fails on), says so and ends
# with a non-zero status instead of ending as if all were well.
# Usage: tests/scripts/run_command_test.sh   (after the Windows build, from the repository's root)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
work=$(mktemp -d)
pid=""
cleanup() {
  [ -z "$pid" ] || kill -- -"$pid" 2>/dev/null || true
  for p in "$work/prefix" "$work/headless"; do
    [ -d "$p" ] && WINEPREFIX="$p" wineserver -k 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fail() { echo "run_command_test: $*" >&2; sed 's/^/  run.sh: /' "$work/log" >&2 2>/dev/null || true; exit 1; }

# 1. The run command, headless. Its own process group, so that everything it started can be ended.
env -u DISPLAY WINEPREFIX="$work/prefix" KELVANE_VK_STATE="$work/keyboard.state" \
  KELVANE_VK_CHANNEL="kv-run-test-$$" setsid bash scripts/run.sh >"$work/log" 2>&1 &
pid=$!
display=""
window=""
for _ in $(seq 1 600); do  # up to 180 s: the first start makes the Wine prefix
  kill -0 "$pid" 2>/dev/null || fail "the run command ended: $(wait "$pid"; echo "status $?")"
  [ -n "$display" ] || display=$(sed -n 's/^Kelvane runs on the virtual display \(:[0-9]*\)$/\1/p' "$work/log")
  if [ -n "$display" ]; then
    window=$(DISPLAY=$display xdotool search --onlyvisible --name "Kelvane" 2>/dev/null | head -n 1 || true)
    [ -z "$window" ] || break
  fi
  sleep 0.3
done
[ -n "$display" ] || fail "the run command named no virtual display"
[ -n "$window" ] || fail "no Kelvane window was shown on $display"
kill -0 "$pid" 2>/dev/null || fail "the run command ended after showing its window"
echo "run_command_test: the run command keeps running, its window shown on $display"
kill -- -"$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=""

# 2. The program in a prefix whose server was started without a display.
export WINEPREFIX="$work/headless"
env -u DISPLAY wine wineboot -i >/dev/null 2>&1 || true
wineserver -k 2>/dev/null || true
# A server that stays (and with it the desktop process that the first program starts, without a display).
env -u DISPLAY wineserver -p 60
env -u DISPLAY wine winepath -w /tmp >/dev/null 2>&1 || true
fifo=$(mktemp -u); mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r num <"$fifo"; rm -f "$fifo"
status=0
(cd build/win/bin && DISPLAY=":$num" KELVANE_VK_STATE="$work/headless.state" KELVANE_VK_CHANNEL="kv-run-test2-$$" \
   timeout 120 wine Kelvane.exe) >"$work/log" 2>&1 || status=$?
kill "$xvfb" 2>/dev/null || true
if [ "$status" -eq 0 ]; then
  fail "Kelvane.exe ended with status 0 without a window"
fi
[ "$status" -ne 124 ] || fail "Kelvane.exe neither made its window nor ended"
grep -q "could not create its main window" "$work/log" || fail "Kelvane.exe did not say why it ended (status $status)"
echo "run_command_test: without a window Kelvane.exe says so and ends with status $status"
