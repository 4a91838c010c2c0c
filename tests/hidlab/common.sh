# Shared by the HID lab's checks (sourced; runs inside the lab's guest as root, from the repository root):
# the uhid keyboard (kvsim --uhid) started and stopped, its memory read through its control channel, and
# bounded waits.
hl_root=$PWD
hl_kvsim=$hl_root/build/native/bin/kvsim
hl_work=${hl_work:-/tmp/hidlab}
mkdir -p "$hl_work"
export KELVANE_VK_CHANNEL=hidlab-vk KELVANE_VK_STATE=$hl_work/vk.state
hl_failures=0
hl_started=$(date +%s)

fail() { echo "FAIL: $*"; hl_failures=$((hl_failures + 1)); }
pass() { echo "ok [$(( $(date +%s) - hl_started )) s]: $*"; }
check() {  # check DESCRIPTION COMMAND...: passes when the command succeeds
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

# wait_until SECONDS COMMAND...: polls the command every 0.1 s; false when it never succeeded in time.
wait_until() {
  local limit=$1; shift
  local deadline=$(( $(date +%s%N) + limit * 1000000000 ))
  until "$@"; do
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

vk() { "$hl_kvsim" "$@"; }
# Every area of the keyboard's memory, as the model holds it; with an argument N only the first N bytes of
# the macro area (a restore writes the macro area up to its end, what lies after it is never read).
vk_memory() {
  printf '%s\n' "dump info" "dump default" "dump keytable 0" "dump keytable 1" "dump keytable 2" \
    "dump macros ${1:-}" "dump lighting" "dump colors" "dump bank" | "$hl_kvsim" -
}
hidraw_present() { ls /dev/hidraw* >/dev/null 2>&1; }
hidraw_absent() { ! hidraw_present; }

uhid_start() {
  "$hl_kvsim" --uhid > "$hl_work/uhid.log" 2>&1 &
  hl_uhid_pid=$!
  wait_until 10 hidraw_present || { echo "FAIL: the uhid keyboard did not appear"; cat "$hl_work/uhid.log"; return 1; }
}
uhid_stop() {
  [ -n "${hl_uhid_pid:-}" ] || return 0
  kill "$hl_uhid_pid" 2>/dev/null
  wait "$hl_uhid_pid" 2>/dev/null
  hl_uhid_pid=
}
