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
cd build/win/bin
if [ -n "${DISPLAY:-}" ]; then
  exec wine Kelvane.exe "$@"
else
  exec xvfb-run -a -s "-screen 0 1600x1000x24" wine Kelvane.exe "$@"
fi
