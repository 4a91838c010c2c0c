#!/bin/sh
# Prepares a Wine prefix whose display density is $2 pixels per inch (144 = 150 %, 192 = 200 %), so the
# Windows-side tests can run again on a scaled display. Usage: make_dpi_prefix.sh <prefix> <dpi>
set -e
export WINEPREFIX="$1"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$2" /f >/dev/null 2>&1
wineserver -w
