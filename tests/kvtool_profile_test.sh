#!/usr/bin/env bash
# kvtool's profile data commands end to end: build from JSON, validate, dump and build back to the same
# bytes, and the messages for damaged files and bad JSON.
set -euo pipefail
kvtool=$1
fixture=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }

"$kvtool" build "$fixture" -o rich.kvp
"$kvtool" validate rich.kvp || fail "a built file does not validate"
"$kvtool" dump rich.kvp > rich.json 2> dump.err
[ ! -s dump.err ] || fail "dump of a built file printed: $(cat dump.err)"
"$kvtool" build rich.json -o again.kvp
cmp rich.kvp again.kvp || fail "dump then build changed the file"
grep -q '"target": "B"' rich.json || fail "the key target is not named"
grep -q '"macro": "Combo"' rich.json || fail "the macro is not named"
grep -q '"media": "Mute"' rich.json || fail "the media entry is not named"
grep -q 'Grüße, 世界 😀' rich.json || fail "the text did not come through"
grep -q '"record"' rich.json && fail "a record the readable fields describe was dumped raw"

# A record with bytes the readable fields do not carry still comes back byte for byte.
python3 - rich.kvp <<'PY'
import sys
p = sys.argv[1]
b = bytearray(open(p, 'rb').read())
macro0 = 32832
b[macro0 + 501] = 0x5A              # reserved byte
b[macro0 + 2 * 200] = 0x41          # a unit after the name's terminator
open(p, 'wb').write(bytes(b))
PY
"$kvtool" dump rich.kvp > raw.json
grep -q '"record"' raw.json || fail "a record with hidden bytes was not dumped raw"
"$kvtool" build raw.json -o raw.kvp
cmp rich.kvp raw.kvp || fail "a raw record did not come back byte for byte"

# Damaged files: a reason on stderr, exit 1.
python3 - rich.kvp <<'PY'
import sys
b = bytearray(open(sys.argv[1], 'rb').read())
open('short.kvp', 'wb').write(bytes(b[:40000]))
b[14] = 101
open('many.kvp', 'wb').write(bytes(b))
PY
if "$kvtool" validate many.kvp 2> many.err; then fail "101 macros validated"; fi
grep -q "macro count at offset 14 is 101" many.err || fail "unexpected reason: $(cat many.err)"
if "$kvtool" validate short.kvp 2> short.err; then fail "a truncated file validated"; fi
grep -q "shorter than" short.err || fail "unexpected reason: $(cat short.err)"
if "$kvtool" dump short.kvp > /dev/null 2>&1; then fail "a truncated file was dumped"; fi

# Bad JSON: line and column.
printf '{\n  "format": "kelvane profile data",\n  "macros": [1,,2]\n}\n' > bad.json
if "$kvtool" build bad.json -o bad.kvp 2> bad.err; then fail "bad JSON was built"; fi
grep -q "line 3, column 16" bad.err || fail "no line and column: $(cat bad.err)"
[ ! -e bad.kvp ] || fail "a file was written for bad JSON"
sed 's/"delay": 120/"delay": "slow"/' "$fixture" > wrong.json
if "$kvtool" build wrong.json -o wrong.kvp 2> wrong.err; then fail "a string delay was accepted"; fi
grep -q "macros\[0\]" wrong.err || fail "the element is not named: $(cat wrong.err)"
# Restore to the virtual keyboard and back up again: the keyboard keeps its state in a file of this run.
export KELVANE_VK_STATE="$work/vk.state" KELVANE_VK_CHANNEL="kvtool-profile-$$"
"$kvtool" build "$fixture" -o fresh.kvp
"$kvtool" restore fresh.kvp > restore.out || fail "restore failed"
"$kvtool" backup back.kvp > /dev/null || fail "backup failed"
"$kvtool" validate back.kvp || fail "a backup does not validate"
"$kvtool" dump back.kvp > back.json
grep -q '"macro": "Combo"' back.json || fail "the macro binding did not come back"
grep -q '"media": "Mute"' back.json || fail "the media assignment did not come back"
grep -q '"name": "Combo"' back.json || fail "the macro's name did not come back"
grep -q '"name": "Macro 2"' back.json || fail "a nameless macro was not named by its position"
if "$kvtool" restore many.kvp 2> restore.err; then fail "an invalid file was restored"; fi
grep -q "macro count" restore.err || fail "unexpected reason: $(cat restore.err)"
echo "kvtool profile commands: all checks passed"
