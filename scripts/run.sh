#!/usr/bin/env bash
# Builds the Windows programs and starts Kelvane.exe under Wine with the virtual keyboard attached.
# Uses the current X display if there is one, otherwise a virtual one of its own (then nothing is visible on
# screen; the line "Kelvane runs on the virtual display :N" on standard error names it, for screenshots).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/deps.sh
[ -f build/win/build.ninja ] || cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win -j"$(nproc)"
export WINEPREFIX="${WINEPREFIX:-$root/build/run-prefix}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The display comes before any Wine program: the first one (wineboot, winepath) starts the prefix's wine
# server, and a server started without a display makes every window of the programs that join it fail.
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  fifo=$(mktemp -u); mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r num <"$fifo"; rm -f "$fifo"
  export DISPLAY=":$num"
  echo "Kelvane runs on the virtual display $DISPLAY" >&2
  trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
fi

[ -f "$WINEPREFIX/system.reg" ] || { wine wineboot -i >/dev/null 2>&1 || true; }
# The virtual keyboard (Quorvex.dll beside Kelvane.exe) keeps its memory in build/ from run to run and
# listens for kvsim on channel KELVANE_VK_CHANNEL ("kelvane-vk"): bash scripts/kvsim.sh detach, bank, ...
vk_state="${KELVANE_VK_STATE:-$root/build/virtual-keyboard.state}"
case "$vk_state" in /*) vk_state=$(winepath -w "$vk_state" 2>/dev/null || echo "$vk_state") ;; esac
export KELVANE_VK_STATE="$vk_state"
cd build/win/bin
if [ -z "$xvfb_pid" ]; then
  exec wine Kelvane.exe "$@"
fi
# With a display of its own the script stays, to take the display down when the program ends.
status=0
wine Kelvane.exe "$@" || status=$?
exit "$status"
