#!/usr/bin/env bash
# kvtool lighting end to end against the virtual keyboard (its state file keeps what was written between
# runs): every setting lands in the record, the whole per-key map goes out, and bad input sends nothing.
set -euo pipefail
kvtool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export KELVANE_VK_STATE=$work/vk.state KELVANE_VK_CHANNEL=kvtool-lighting-$$

fail() { echo "FAIL: $*" >&2; exit 1; }
show() { "$kvtool" lighting show "$1"; }
field() { show "$1" | awk -v f="$2" '$1 == f { $1 = ""; sub(/^ +/, ""); print }'; }

show 1 > first.txt || fail "show failed: $(cat first.txt)"
grep -q '^effect  *5 Breathing$' first.txt || fail "effect line: $(cat first.txt)"
grep -q '^color  *#007EFF$' first.txt || fail "color line: $(cat first.txt)"

"$kvtool" lighting effect 1 1
[ "$(field 1 effect)" = "1 Wave" ] || fail "effect 1 not stored: $(field 1 effect)"
"$kvtool" lighting brightness 1 2
[ "$(field 1 brightness)" = "2" ] || fail "brightness"
"$kvtool" lighting speed 1 4
[ "$(field 1 speed)" = "4" ] || fail "speed is stored as given"
"$kvtool" lighting direction 1 left
[ "$(field 1 direction)" = "255 left" ] || fail "direction: $(field 1 direction)"
"$kvtool" lighting color 1 0 126 255
[ "$(field 1 color)" = "#007EFF" ] || fail "color: $(field 1 color)"
"$kvtool" lighting defaults 1
show 1 > defaults.txt
grep -q '^effect  *1 Wave$' defaults.txt && grep -q '^speed  *3$' defaults.txt &&
  grep -q '^color  *#FFFFFF multicolor$' defaults.txt && grep -q '^report rate  *0$' defaults.txt ||
  fail "defaults: $(cat defaults.txt)"

printf '{"A": "#0000ff", "64": "#0000FF", "Esc": "#FF0000", "G3 bank 2": "#00ff00", "Fn": "#010203", "up": "#FFFFFF"}\n' > map.json
"$kvtool" lighting keys 2 map.json || fail "keys"

# Bad input: one line on stderr, a non-zero exit, and the keyboard's memory unchanged.
cp vk.state before.state
bad() {
  if "$kvtool" lighting "$@" > out.txt 2> err.txt; then fail "accepted: $*"; fi
  [ "$(wc -l < err.txt)" -eq 1 ] || fail "not one line for $*: $(cat err.txt)"
  cmp -s vk.state before.state || fail "the keyboard changed after: $*"
}
bad show 3
bad brightness 0 9
bad speed 0 -1
bad direction 0 sideways
bad color 0 1 2
bad color 0 1 2 256
bad effect 0 19
printf '{"Nokey": "#000000"}' > unknown.json; bad keys 0 unknown.json
grep -q 'unknown key "Nokey"' err.txt || fail "unknown key message: $(cat err.txt)"
printf '{"A": "#00000"}' > short.json; bad keys 0 short.json
printf '{"A": "red"}' > word.json; bad keys 0 word.json
printf '{"13": "#000000"}' > noled.json; bad keys 0 noled.json
printf '[1, 2]' > array.json; bad keys 0 array.json
bad keys 0 missing.json
echo "kvtool lighting: all checks passed"
