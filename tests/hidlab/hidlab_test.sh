#!/usr/bin/env bash
# The HID lab's one test script, run inside the lab's guest (scripts/hidlab/run.sh) as root: the uhid
# keyboard (kvsim --uhid, the virtual keyboard's model behind /dev/uhid) meets the shipped HID library through
# a real HID stack: natively kvtool over hidapi and hidraw, then the Windows programs under Wine.
# Usage: hidlab_test.sh [native|wine]...   (no argument: both). Exit 0 only when every check passed.
set -u
source tests/hidlab/common.sh
source tests/hidlab/native_checks.sh
source tests/hidlab/wine_checks.sh
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(native wine)
uhid_start || exit 1
trap uhid_stop EXIT
for p in "${parts[@]}"; do
  case $p in
    native|wine) "${p}_checks" ;;
    *) fail "no such part: $p" ;;
  esac
done
cp "$hl_work/uhid.log" "$HIDLAB_SHARE/uhid.log" 2>/dev/null
cp -r "$hl_work/native" "$HIDLAB_SHARE/" 2>/dev/null
vk log > "$HIDLAB_SHARE/keyboard.log" 2>/dev/null
if [ "$hl_failures" -ne 0 ]; then
  echo "hidlab: $hl_failures check(s) failed"
  exit 1
fi
echo "hidlab: every check passed"
