# The native kvtool (the one the Debian package ships, with the real libquorvex.so over hidapi and hidraw)
# against the uhid keyboard. Sourced by hidlab_test.sh after common.sh.
native_checks() {
  local kvtool=$hl_root/build/native/dist/kvtool w=$hl_work/native
  mkdir -p "$w"
  echo "--- native kvtool over hidraw"
  "$kvtool" info > "$w/info.txt" 2>&1
  check "kvtool info answers" grep -q V0103 "$w/info.txt"
  [ -s "$w/info.txt" ] && sed 's/^/    /' "$w/info.txt"

  # backup -> dump -> build gives the same file, byte for byte.
  if "$kvtool" backup "$w/backup.bin" > "$w/backup.txt" 2>&1 && "$kvtool" dump "$w/backup.bin" > "$w/backup.json" &&
     "$kvtool" build "$w/backup.json" -o "$w/rebuilt.bin"; then
    check "dump -> build round trip of a backup" cmp -s "$w/backup.bin" "$w/rebuilt.bin"
  else
    fail "backup, dump or build failed: $(cat "$w/backup.txt")"
  fi

  # A different profile restored changes the keyboard; the backup restored brings back every byte it
  # covers: every area, and the macro area as far as the restore writes it (the rest is past its end).
  local area
  area=$("$kvtool" restore "$w/backup.bin" 2>&1 | sed -n 's/^\([0-9]*\)-byte macro area.*/\1/p')
  [ -n "$area" ] || { fail "restoring the backup as it is"; area=0; }
  vk_memory "$area" > "$w/memory-before.txt"
  "$kvtool" build "$hl_root/tests/data/profile_rich.json" -o "$w/rich.bin" > /dev/null
  if "$kvtool" restore "$w/rich.bin" > "$w/restore1.txt" 2>&1; then
    vk_memory "$area" > "$w/memory-changed.txt"
    check "restoring another profile changes the keyboard's memory" \
      bash -c "! cmp -s '$w/memory-before.txt' '$w/memory-changed.txt'"
  else
    fail "restore of another profile: $(cat "$w/restore1.txt")"
  fi
  if "$kvtool" restore "$w/backup.bin" > "$w/restore2.txt" 2>&1; then
    vk_memory "$area" > "$w/memory-after.txt"
    check "backup -> change -> restore leaves the memory byte-identical" \
      cmp -s "$w/memory-before.txt" "$w/memory-after.txt"
  else
    fail "restore of the backup: $(cat "$w/restore2.txt")"
  fi

  # A lighting command: its reports reach the keyboard through hidraw, and the record holds the colour.
  vk log clear > /dev/null
  if "$kvtool" lighting color 1 0 126 255 > "$w/lighting.txt" 2>&1; then
    local reports
    reports=$(vk log | grep -c ' vendor: 04 ')
    check "the lighting command's reports arrived as output reports ($reports)" test "$reports" -gt 0
    "$kvtool" lighting show 1 > "$w/show.txt" 2>&1
    check "the lighting record read back holds the colour" grep -q '^color  *#007EFF$' "$w/show.txt"
  else
    fail "kvtool lighting color: $(cat "$w/lighting.txt")"
  fi

  # A bank switch on the keyboard arrives as report 3 on the hidraw node (read by the consumer reader).
  vk detach > /dev/null
  check "detach destroys the hidraw node" wait_until 5 hidraw_absent
  check "kvtool says the keyboard is not present" bash -c "! '$kvtool' info > /dev/null 2>&1"
  vk attach > /dev/null
  check "attach creates the hidraw node again" wait_until 5 hidraw_present
  "$kvtool" info > "$w/info2.txt" 2>&1
  check "kvtool info answers after the replug" grep -q V0103 "$w/info2.txt"
}
