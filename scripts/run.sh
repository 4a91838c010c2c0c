#!/usr/bin/env bash
# Builds the Windows programs and starts Kelvane.exe under Wine with the virtual keyboard attached.
# Uses the current X display if there is one, otherwise a virtual one (then nothing is visible on screen).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/deps.sh
[ -f build/win/build.ninja ] || cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win -j"$(nproc)"
export WINEPREFIX="${WINEPREFIX:-$root/build/run-prefix}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || wine wineboot -i >/dev/null 2>&1 || true
# The virtual keyboard (Quorvex.dll beside Kelvane.exe) keeps its memory in build/ from run to run and
# listens for kvsim on channel KELVANE_VK_CHANNEL ("kelvane-vk"): bash scripts/kvsim.sh detach, bank, ...
vk_state="${KELVANE_VK_STATE:-$root/build/virtual-keyboard.state}"
case "$vk_state" in /*) vk_state=$(winepath -w "$vk_state" 2>/dev/null || echo "$vk_state") ;; esac
export KELVANE_VK_STATE="$vk_state"
cd build/win/bin
if [ -n "${DISPLAY:-}" ]; then
  exec wine Kelvane.exe "$@"
else
  exec xvfb-run -a -s "-screen 0 1600x1000x24" wine Kelvane.exe "$@"
fi
