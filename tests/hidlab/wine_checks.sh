# The Windows programs under Wine with the real Quorvex.dll (build/win/dist, as the setup installs it)
# against the uhid keyboard, through udev, Wine's HID bus, SetupAPI and the HID class calls. Sourced by
# hidlab_test.sh after common.sh; the Wine prefix was made on the host (scripts/hidlab/wineprefix.sh).
# Never through a pipe: the first Wine program starts Wine's own services, which keep its output open.
app() {
  timeout 200 wine "$hl_win/hidlab_app.exe" "$@" > "$hl_work/app.out" 2> /dev/null < /dev/null
  local rc=$?
  tr -d '\r' < "$hl_work/app.out"
  return $rc
}
kvtool_win() {
  timeout 200 wine "$hl_win/dist/kvtool.exe" "$@" > "$hl_work/kvtool.out" 2>&1 < /dev/null
  local rc=$?
  tr -d '\r' < "$hl_work/kvtool.out"
  return $rc
}
now_ms() { date +%s%3N; }

# wait_tray_after PICTURE SECONDS COMMAND...: starts waiting for the notification-area picture, then runs
# the command (the cause); prints the milliseconds from the cause to the picture, fails when it never came.
wait_tray_after() {
  local picture=$1 seconds=$2 out=$hl_work/wait-tray.txt; shift 2
  rm -f "$out"
  timeout 200 wine "$hl_win/hidlab_app.exe" wait-tray "$picture" "$seconds" > "$out" 2> /dev/null < /dev/null &
  local waiter=$!
  wait_until 60 grep -q waiting "$out" || { kill "$waiter" 2>/dev/null; return 1; }
  local cause=$(now_ms)
  "$@" > /dev/null
  wait "$waiter" || return 1
  local at
  at=$(tr -d '\r' < "$out" | sed -n 's/^done after [0-9]* ms at \([0-9]*\)$/\1/p')
  hl_elapsed_ms=$((at - cause))
}

apply_ended() { vk log | grep ' vendor: 04 ' | tail -n1 | grep -q '^#[0-9]* vendor: 04 .. .. 02 '; }

# Restore defaults in the window (Apply follows): the write bracket ends, the Apply button goes grey, and
# every key table and macro byte written is what the keyboard's memory holds.
apply_and_compare() {
  local label=$1
  vk log clear > /dev/null
  app restore-defaults > /dev/null || { fail "$label: the Restore defaults prompt did not come"; return; }
  if ! wait_until 120 apply_ended; then fail "$label: the Apply did not end"; return; fi
  app wait-apply 0 30 > /dev/null || fail "$label: Apply stayed enabled"
  vk log > "$hl_work/apply.log"
  vk dump keytables > "$hl_work/keytables.txt"
  vk dump macros > "$hl_work/macros.txt"
  check "$label: the keyboard's memory holds every byte the program wrote" \
    python3 "$hl_root/tests/hidlab/written_held.py" "$hl_work/apply.log" "$hl_work/keytables.txt" "$hl_work/macros.txt"
}

wine_checks() {
  echo "--- Windows programs under Wine, with the real Quorvex.dll"
  trap 'cp "$hidlog" "$HIDLAB_SHARE/Quorvex.log" 2>/dev/null; cp "$hl_work"/*.txt "$hl_work"/*.log "$HIDLAB_SHARE/" 2>/dev/null; uhid_stop' EXIT
  hl_win=$hl_work/win
  # Programs started from the 9p share crash at once: they run from the guest's own memory.
  mkdir -p "$hl_win"
  cp -r "$hl_root/build/win/dist" "$hl_win/dist"
  cp "$hl_root/build/win/bin/hidlab_app.exe" "$hl_win/"
  export WINEPREFIX=$hl_root/build/hidlab/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    KELVANE_HID_LOG=1 DISPLAY=:9
  # The daemons keep no file of the test's open.
  Xvfb :9 -screen 0 1280x800x24 -nolisten tcp > /dev/null 2>&1 < /dev/null &
  hl_xvfb_pid=$!
  /lib/systemd/systemd-udevd --daemon > /dev/null 2>&1 < /dev/null
  udevadm trigger --action=add
  udevadm settle -t 20
  wineserver -p > /dev/null 2>&1 < /dev/null
  wait_until 30 test -S /tmp/.X11-unix/X9 || fail "no X display in the guest"
  hidlog=$WINEPREFIX/drive_c/users/root/AppData/Local/Halvorn/Quorvex.log
  local t0=$(date +%s)
  echo "    (guest ready for Wine at $(( t0 - hl_started )) s)"

  # The keyboard as it leaves the factory: the program's first start then takes it over without asking.
  vk reset > /dev/null || fail "the keyboard model was not reset"

  # kvtool.exe alone: every exchange goes through WriteFile and overlapped ReadFile.
  kvtool_win info > "$hl_work/wkinfo.txt"
  check "kvtool.exe info answers through Wine's HID stack" grep -q V0103 "$hl_work/wkinfo.txt"
  grep -q V0103 "$hl_work/wkinfo.txt" || sed 's/^/    /' "$hl_work/wkinfo.txt" | head -n 20

  # The program attaches and reads the keyboard.
  vk log clear > /dev/null
  # The program inherits the starter's output: not a pipe, which would then never end.
  wine "$hl_win/hidlab_app.exe" start "$(winepath -w "$hl_win/dist")" > /dev/null 2>&1 < /dev/null
  check "Kelvane.exe attaches to the keyboard" app wait-tray 141 90
  local reads
  reads=$(vk log | grep -c ' vendor: 04 .. .. \(03\|05\|07\|09\|0F\) ')
  check "the program read the keyboard ($reads read commands)" test "$reads" -gt 0

  # Idle, hidden in the notification area: what the attached program costs through a real stack.
  local pid ticks0 ticks1 seconds=${HIDLAB_IDLE_SECONDS:-60}
  pid=$(pgrep -f 'Kelvane.exe /Start' | head -n1)
  if [ -n "$pid" ] && [ "$seconds" -gt 0 ]; then
    sleep 3  # start-up work settles, as in the idle benchmark
    ticks0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    sleep "$seconds"  # a measurement over a set time, not a wait for an event
    ticks1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    echo "figure idle_ticks_hidden $((ticks1 - ticks0)) in $seconds s (goal 0; the Linux process running Kelvane.exe)"
  fi

  # An Apply from the window: the keyboard's memory then holds what the program wrote.
  apply_and_compare "Apply through the real stack"

  # Unplug: the program shows the keyboard absent within 3 s, and its working files stay as they were.
  local userdir=$WINEPREFIX/drive_c/users/root/AppData/Local/Halvorn
  (cd "$userdir" && find . -type f ! -name 'Quorvex.log*' -exec sha256sum {} + | sort -k2) > "$hl_work/files-before.txt"
  # How soon is a figure, not a check: under software emulation Wine itself takes seconds to notice.
  if wait_tray_after 128 20 vk detach; then
    pass "unplug seen by the running program"
    echo "figure unplug_seen_ms $hl_elapsed_ms (goal 3000)"
  else
    fail "the running program did not see the unplug"
  fi
  (cd "$userdir" && find . -type f ! -name 'Quorvex.log*' -exec sha256sum {} + | sort -k2) > "$hl_work/files-after.txt"
  check "nothing lost from the program's working files on unplug" cmp -s "$hl_work/files-before.txt" "$hl_work/files-after.txt"

  # Replug: attached and read again.
  vk log clear > /dev/null
  if wait_tray_after 141 30 vk attach; then
    pass "replug seen by the running program"
    echo "figure replug_seen_ms $hl_elapsed_ms"
    reads=$(vk log | grep -c ' vendor: 04 .. .. \(03\|05\|07\|09\|0F\) ')
    check "the program read the keyboard again after the replug ($reads read commands)" test "$reads" -gt 0
  else
    fail "the running program did not attach again within 30 s of the replug"
  fi

  # kvtool.exe while the program is attached: both share the keyboard; the program's next Apply works.
  kvtool_win info > "$hl_work/wkinfo2.txt"
  check "kvtool.exe answers while the program is attached" grep -q V0103 "$hl_work/wkinfo2.txt"
  apply_and_compare "Apply after kvtool.exe ran"

  # The consumer collection: Wine lists only the first top-level collection. A bank switch on the keyboard
  # cannot reach the program there; it goes on working and the library's log says why.
  if grep -q 'usage page 000C' "$hidlog" 2>/dev/null; then
    pass "the consumer collection is listed"
  else
    check "the library's log says the consumer collection is not listed" \
      grep -q 'consumer-control collection is not listed' "$hidlog"
  fi
  vk bank > /dev/null
  check "after a bank switch the program is still attached" app wait-tray 141 5
  check "the library logged no failed write" bash -c "! grep -q 'writing to .*: ' '$hidlog' || ! grep 'writing to' '$hidlog' | grep -qv 'taken as sent'"
  echo "    (Wine part took $(( $(date +%s) - t0 )) s)"

  wineserver -k 2>/dev/null
  kill "$hl_xvfb_pid" 2>/dev/null
}
