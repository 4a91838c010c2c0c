#!/usr/bin/env bash
# The HID lab's Wine prefix, made on the host (Wine's first start is slow under emulation) in
# build/hidlab/wineprefix, once. Wine's HID bus needs two settings to see a hidraw keyboard:
#   "Enable SDL"=0    otherwise the SDL bus, failing without libSDL2, keeps the udev bus from starting;
#   "DisableInput"=1  otherwise the udev bus thread stops at the removal of the input device the kernel makes
#                     for the consumer collection, and no later plug or unplug is seen.
# Needs a display ($DISPLAY): a prefix made without one leaves its desktop process running headless.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX=$root/build/hidlab/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/.hidlab-ready" ] && exit 0
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"  # Wine makes the prefix, but not the folder it sits in
wine wineboot -i >/dev/null 2>&1 || true
key='HKLM\System\CurrentControlSet\Services\winebus'
wine reg add "$key" /v "Enable SDL" /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg add "$key" /v DisableInput /t REG_DWORD /d 1 /f >/dev/null 2>&1
wineserver -w
grep -q '"Enable SDL"=dword:00000000' "$WINEPREFIX/system.reg" && grep -q '"DisableInput"=dword:00000001' "$WINEPREFIX/system.reg" ||
  { echo "hidlab: the Wine prefix lacks the HID bus settings" >&2; exit 1; }
touch "$WINEPREFIX/.hidlab-ready"
