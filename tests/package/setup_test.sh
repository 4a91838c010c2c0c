#!/usr/bin/env bash
# The Windows setup program end to end under Wine, in a fresh prefix: a silent installation puts the files,
# the Start-menu entry, the Apps & Features entry and the logon task in place; the installed program starts
# with "/Start" and binds the library beside it (the virtual keyboard, swapped in for this test only); a
# second setup while it runs ends it and replaces its files; a silent uninstallation removes what the setup
# added and keeps the user's profiles, unless asked to remove them.
# usage: setup_test.sh SETUP.exe BUILD_WIN_DIR VERSION        (DISPLAY must name an X display)
set -euo pipefail
setup=$(realpath "$1")
build=$(realpath "$2")
version=$3

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "--- $*"; }

export WINEPREFIX="$build/setup-test/prefix" WINEDEBUG=-all
# No Mono or Gecko offers; no menu entries of the host desktop for the prefix's shortcuts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
work="$build/setup-test"
rm -rf "$work"; mkdir -p "$work"
cleanup() { wineserver -k 2>/dev/null || true; }
trap cleanup EXIT

step "fresh prefix"
wine wineboot -i >/dev/null 2>&1 || true
wineserver -w
# Windows runs its task scheduler from boot; Wine starts the service on demand, and its first start in a
# new prefix can outlast the caller's wait. Start it here, as it would be on Windows.
for _ in 1 2 3 4 5; do
  out=$(wine net start Schedule 2>&1 || true)
  case "$out" in *"started successfully"*|*"already been started"*|*"already running"*) break ;; esac
  sleep 2
done

c_drive="$WINEPREFIX/drive_c"
program="$c_drive/Program Files/Kelvane"
local_appdata=$(winepath -u "$(wine cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')")
user_folder="$local_appdata/Halvorn"
start_menu="$c_drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Kelvane.lnk"
task_store="$c_drive/windows/system32/tasks/Kelvane"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvane'

# A profile of the user's, there before the program is installed.
mkdir -p "$user_folder"
printf 'profile bytes of the user\n' > "$user_folder/UserDengColor_0.userd"
cp "$user_folder/UserDengColor_0.userd" "$work/profile.expected"
settings_key='HKCU\Software\Kelvane_Brimor\Kelvane\PROFILES'
wine reg add "$settings_key" /v Flip /d 1 /f >/dev/null 2>&1
has_settings() { wine reg query "$settings_key" /v Flip >/dev/null 2>&1; }
has_settings || fail "could not place the user's settings"

run_setup() {  # run_setup ARGS...: the setup's exit code must be 0
  wine "$setup" "$@" || fail "setup $* exited with $?"
}
reg_value() {  # reg_value NAME: the value of the uninstall entry, or nothing
  wine reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}
prefix_processes() {  # prefix_processes REGEX: ids of this prefix's processes whose command line matches
  local pid
  for pid in $(pgrep -f -- "$1" || true); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
  return 0
}
wait_no_processes() {  # wait_no_processes REGEX SECONDS WHAT
  for _ in $(seq 1 $(($2 * 5))); do
    [ -z "$(prefix_processes "$1")" ] && return 0
    sleep 0.2
  done
  fail "$3"
}
wait_uninstalled() {  # the uninstaller runs on as a copy of itself in a temporary folder
  wait_no_processes '~nsu[^ ]*\\Un[^ ]*\.exe' 60 "the uninstaller did not finish"
  [ ! -e "$program" ] || fail "the uninstaller left $program: $(ls -A "$program")"
}
utf16() { iconv -f UTF-16 -t UTF-8 "$1"; }

step "silent installation"
run_setup /S
for f in Kelvane.exe Tirvane.exe kvtool.exe Quorvex.dll uninstall.exe Lang0409.ini Lang0804.ini Lang0404.ini \
         Lang040C.ini Skins/Main.ini Skins/Composite.ini Help/index.html; do
  [ -f "$program/$f" ] || fail "$f is not installed"
done
# What ships is the library over the keyboard itself, never the virtual keyboard.
cmp -s "$program/Quorvex.dll" "$build/bin/Quorvex.dll" && fail "the virtual keyboard was installed"
strings -el "$program/Quorvex.dll" | grep -qx "Kelvane HID service" || fail "the installed Quorvex.dll is not the real library"
[ ! -e "$program/.keep" ] || fail "a placeholder file was installed"
out=$(wine "$program/kvtool.exe" --version | tr -d '\r')
[ "$out" = "kvtool $version" ] || fail "installed kvtool --version says \"$out\""

[ -f "$start_menu" ] || fail "no Start-menu entry"
strings -el "$start_menu" | grep -qi 'Program Files\\Kelvane\\Kelvane.exe' || \
  strings "$start_menu" | grep -qi 'Kelvane\\Kelvane.exe' || fail "the Start-menu entry does not start Kelvane.exe"

[ "$(reg_value DisplayName)" = "Kelvane" ] || fail "DisplayName is \"$(reg_value DisplayName)\""
[ "$(reg_value DisplayVersion)" = "$version" ] || fail "DisplayVersion is \"$(reg_value DisplayVersion)\""
[ "$(reg_value Publisher)" = "Halvorn" ] || fail "Publisher is \"$(reg_value Publisher)\""
[ "$(reg_value DisplayIcon)" = 'C:\Program Files\Kelvane\Kelvane.exe,0' ] || fail "DisplayIcon is \"$(reg_value DisplayIcon)\""
[ "$(reg_value UninstallString)" = '"C:\Program Files\Kelvane\uninstall.exe"' ] || fail "UninstallString is \"$(reg_value UninstallString)\""
[ "$(reg_value QuietUninstallString)" = '"C:\Program Files\Kelvane\uninstall.exe" /S' ] || fail "no QuietUninstallString"
size=$(reg_value EstimatedSize); size=$((size))
[ "$size" -gt 1000 ] && [ "$size" -lt 100000 ] || fail "EstimatedSize is $size KB"

# The task as registered: Wine's task scheduler keeps the registration, the settings and the description,
# but not the trigger, the principal nor the action (its parser leaves them out); those are checked in the
# definition the setup registered, which it keeps beside the program.
[ -f "$task_store" ] || fail "no logon task in the task scheduler"
grep -q "<Description>Starts Kelvane in the notification area at logon.</Description>" "$task_store" || fail "the task is not the setup's"
grep -q "<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>" "$task_store" || fail "the task would be stopped after a time"
definition=$(utf16 "$program/logon-task.xml")
for want in '<LogonTrigger>' '<GroupId>S-1-5-32-545</GroupId>' '<RunLevel>HighestAvailable</RunLevel>' \
            '<Command>C:\Program Files\Kelvane\Kelvane.exe</Command>' '<Arguments>/Start</Arguments>'; do
  grep -qF "$want" <<<"$definition" || fail "the logon task lacks $want"
done
[ "$(reg_value Autostart)" = "0x1" ] || fail "the autostart choice is not remembered"
cmp -s "$user_folder/UserDengColor_0.userd" "$work/profile.expected" || fail "the installation touched the user's profile"

step "the installed program starts with /Start and binds the library beside it"
real_library="$work/Quorvex.real.dll"
cp "$program/Quorvex.dll" "$real_library"
cp "$build/bin/Quorvex.dll" "$program/Quorvex.dll"
channel="kv-setup-test-$$"
export KELVANE_VK_CHANNEL="$channel" KELVANE_VK_STATE='C:\users\Public\setup-test.state'
wine "$program/Kelvane.exe" /Start &
program_pid=$!
bound=""
for _ in $(seq 1 100); do
  # The keyboard's log fills once the program has bound the library and read the keyboard.
  log=$(wine "$build/bin/kvsim.exe" --channel "$channel" log 2>/dev/null | tr -d '\r' || true)
  [ -n "$log" ] && { bound=1; break; }
  sleep 0.3
done
[ -n "$bound" ] || fail "the installed program did not bind the library"
unset KELVANE_VK_CHANNEL KELVANE_VK_STATE

step "upgrade in place while the program runs"
run_setup /S
for _ in $(seq 1 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$program_pid" 2>/dev/null && fail "the setup did not end the running program"
wait "$program_pid" || fail "the running program did not exit with code 0"
cmp -s "$program/Quorvex.dll" "$real_library" || fail "the upgrade did not replace the program's files"
# and puts the program back where it was, in the notification area.
[ -n "$(prefix_processes 'Program Files\\Kelvane\\Kelvane\.exe /Start')" ] || fail "the upgrade did not start the program again"
cmp -s "$user_folder/UserDengColor_0.userd" "$work/profile.expected" || fail "the upgrade touched the user's profile"

step "silent uninstallation keeps the user's profiles"
wine "$program/uninstall.exe" /S
wait_uninstalled
[ ! -e "$start_menu" ] || fail "the Start-menu entry is left"
[ -z "$(reg_value DisplayName)" ] || fail "the uninstall entry is left"
[ ! -e "$task_store" ] || fail "the logon task is left"
wait_no_processes 'Program Files\\Kelvane\\(Kelvane|Tirvane)\.exe' 10 "the program still runs after the uninstallation"
cmp -s "$user_folder/UserDengColor_0.userd" "$work/profile.expected" || fail "the uninstallation removed the user's profile"
has_settings || fail "the uninstallation removed the user's settings"

step "autostart turned off on an upgrade; uninstallation that removes the profiles"
run_setup /S
[ -f "$task_store" ] || fail "the second installation made no logon task"
run_setup /S /NOAUTOSTART
[ ! -e "$task_store" ] || fail "the logon task stayed although autostart was turned off"
[ ! -e "$program/logon-task.xml" ] || fail "the task definition stayed although autostart was turned off"
[ "$(reg_value Autostart)" = "0x0" ] || fail "the autostart choice is not remembered"
# A later upgrade keeps the choice.
run_setup /S
[ ! -e "$task_store" ] || fail "an upgrade turned autostart back on"
wine "$program/uninstall.exe" /S /REMOVEPROFILES
wait_uninstalled
[ ! -e "$user_folder" ] || fail "the profiles were kept although their removal was asked for"
has_settings && fail "the settings were kept although their removal was asked for"
echo "setup test passed"
