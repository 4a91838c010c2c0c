#!/usr/bin/env bash
# Drives the virtual keyboard of the program started by scripts/run.sh: runs kvsim.exe in the same Wine
# prefix (named pipes belong to one prefix). Examples: kvsim.sh detach | attach | bank | busy on | help
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ -f "$root/build/win/bin/kvsim.exe" ] || { echo "kvsim.sh: build the program first (bash scripts/run.sh)" >&2; exit 2; }
export WINEPREFIX="${WINEPREFIX:-$root/build/run-prefix}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$root/build/win/bin/kvsim.exe" "$@"
