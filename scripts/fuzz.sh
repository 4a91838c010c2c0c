#!/usr/bin/env bash
# Fuzzes the decoders of data from files and from the keyboard with libFuzzer (clang, ASan + UBSan):
#   profile_file  - validating and loading profile data files
#   macro_area    - decoding the keyboard's macro area
#   key_table     - decoding a key table block against a default key table
#   profile_json  - importing profile data as JSON
#   language_file - reading language files (UTF-16 or UTF-8 INI text) and looking texts up
#   skin_layout   - the rectangles of skin layout files, through the portable INI reader
#   settings_file - reading and writing profile settings files with the portable INI store
#   report_descriptor - the HID report descriptor of a hidraw node, and input/output report framing
# Usage: scripts/fuzz.sh short [TARGET...]        about 20 s per target (the test command runs this)
#        scripts/fuzz.sh long [SEC] [TARGET...]   SEC seconds per target (default 300), corpus kept in build/fuzz
# Without TARGET every target runs. The targets compile the portable sources they need directly; seeds are
# made fresh each run. Each target's log is build/fuzz/<target>.log; a finding leaves build/fuzz/<target>-crash-*.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
mode=${1:-short}
[ $# -eq 0 ] || shift
case "$mode" in
  short) seconds=20 ;;
  long)
    seconds=300
    if [[ "${1:-}" =~ ^[0-9]+$ ]]; then seconds=$1; shift; fi ;;
  *) echo "usage: scripts/fuzz.sh short [TARGET...] | long [SECONDS] [TARGET...]" >&2; exit 2 ;;
esac

out=build/fuzz
mkdir -p "$out"
cxx=${CXX_FUZZ:-clang++}
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -Isrc -Iquorvex -Wall -Wextra -Werror)
keys=(src/keys/key_catalogue.cpp src/keys/action_catalogue.cpp src/keys/assignment_table.cpp
      src/keys/assignment_action_code.cpp src/keys/assignment_key_table.cpp)
data=(src/macros/macro_record.cpp src/macros/profile_data.cpp src/profiles/profile_file_format.cpp)
declare -A sources=(
  [profile_file]="${keys[*]} ${data[*]} src/macros/macro_area.cpp src/profiles/profile_file.cpp src/profiles/file_replace_posix.cpp"
  [macro_area]="${keys[*]} ${data[*]} src/macros/macro_area.cpp"
  [key_table]="${keys[*]} ${data[*]}"
  [profile_json]="${keys[*]} ${data[*]} src/macros/macro_area.cpp src/profiles/profile_file.cpp src/profiles/file_replace_posix.cpp src/profiles/profile_json.cpp"
  [language_file]="src/skin/language_file.cpp"
  [skin_layout]="src/skin/language_file.cpp src/skin/skin_rect.cpp"
  [settings_file]="src/profiles/settings_store_ini.cpp src/profiles/profile_settings.cpp src/profiles/profile_file.cpp src/profiles/file_replace_posix.cpp ${keys[*]} ${data[*]} src/macros/macro_area.cpp"
  [report_descriptor]="quorvex/hid/report_descriptor.cpp quorvex/hid/report_framing.cpp"
)
all_targets=(profile_file macro_area key_table profile_json language_file skin_layout settings_file report_descriptor)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
for t in "${targets[@]}"; do
  [ -n "${sources[$t]:-}" ] || { echo "unknown fuzz target: $t (targets: ${all_targets[*]})" >&2; exit 2; }
done

build() {  # build <target>: only when a source is newer than the binary
  local t=$1 bin=$out/$1_fuzz
  # Compared file by file: a pipe into "head -1" would end the listing with SIGPIPE once it outgrows one
  # write, and pipefail would stop the whole test command with it.
  local stale=0 f
  if [ ! -x "$bin" ]; then
    stale=1
  else
    # shellcheck disable=SC2086
    for f in fuzz/$1_fuzz.cpp ${sources[$t]} src/*/*.h quorvex/hid/*.h; do
      if [ "$f" -nt "$bin" ]; then stale=1; break; fi
    done
  fi
  if [ "$stale" -eq 1 ]; then
    echo "building $t"
    # shellcheck disable=SC2086
    "$cxx" "${flags[@]}" fuzz/$1_fuzz.cpp ${sources[$t]} -o "$bin"
  fi
}

seed() {  # seed <target> <corpus dir>
  mkdir -p "$2"
  python3 - "$1" "$2" <<'PY'
import struct, sys, os
target, folder = sys.argv[1], sys.argv[2]
ident = bytes.fromhex("4b482000208000000400000200000000450c317a4f1c0e000000000000000000")
def header(n, s):
    h = bytearray(struct.pack("<HHHHIHHIIIH", 0x4446, 32, 3, 1, 32832 + n * 16512 + s, 2048, n, s, 0, 0, 0))
    h += b"\0"
    h.append(sum(h) & 0xFF)
    return bytes(h)
def slot(t, tag, v):
    return struct.pack("<HHIII", t, tag, v, 0, 0)
def macro(name, mid, actions):
    r = bytearray(16512)
    n = name.encode("utf-16-le")
    r[0:len(n)] = n
    r[500] = 1
    struct.pack_into("<HHH", r, 504, 0, mid, len(actions))
    for i, (d, k, up) in enumerate(actions):
        struct.pack_into("<IHH", r, 512 + 8 * i, d, k, up)
    return bytes(r)
def area(macros, names):
    n = len(macros)
    body, offsets, at = b"", [], 16 + 2 * n
    for name, acts in macros:
        e = struct.pack("<HBB", len(acts), 1, len(name) if names else 0)
        for d, kind, press, lo, hi in acts:
            e += struct.pack("<HBB", (d // 10) | (kind << 12) | (0x8000 if press else 0), lo, hi)
        if names:
            e += name.encode("utf-16-le")
        offsets.append(at)
        at += len(e)
        body += e
    return struct.pack("<HHHH8x", 0x55AA, at, n, 1 if names else 0) + b"".join(struct.pack("<H", o) for o in offsets) + body
def write(name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)
if target == "profile_file":
    sections = bytearray(4 * 8192)
    for i in range(18):
        sections[(0x100 + i) * 16:(0x100 + i) * 16 + 16] = slot(0, 0x301 + i if i < 9 else 0x1301 + i - 9, 0)
    write("default", header(0, 0) + ident + bytes(sections))
    strings = "C:\\run.exe\0".encode("utf-16-le") + "hello\0".encode("utf-16-le")
    sections[0x1E * 16:0x1E * 16 + 16] = slot(3, 0, 0)
    sections[8192 + 0x1F * 16:8192 + 0x1F * 16 + 16] = slot(6, 0, 22)
    sections[0x20 * 16:0x20 * 16 + 16] = slot(4, 1, 2)
    macros = macro("one", 1, [(100, 0x1E, 0), (0, 0x1E, 1)]) + macro("two", 2, [(40, 0x2A, 0)])
    write("rich", header(2, len(strings)) + ident + bytes(sections) + macros + strings)
elif target == "macro_area":
    write("empty", area([], True))
    m = [("first", [(120, 2, True, 2, 4), (0, 2, False, 2, 4), (30, 1, True, 5, 0xFF), (0, 4, True, 0x81, 0)]),
         ("", [(10, 3, True, 0xE2, 0), (0, 6, True, 0xA2, 3), (0, 2, True, 1, 0x22)])]
    write("named", area(m, True))
    write("bare", area(m, False))
elif target == "profile_json":
    import json
    keys = [{"index": 30, "key": "A", "type": "macro", "tag": 0, "value": 1, "macro": "one"},
            {"index": 31, "key": "B", "type": "key", "tag": 0, "value": 48, "target": "B"},
            {"index": 32, "key": "C", "type": "text", "tag": 0, "text": "hello"},
            {"index": 33, "key": "D", "type": "program", "tag": 0, "text": "C:\\run.exe"}]
    doc = {"format": "kelvane profile data", "identification": ident.hex(),
           "profiles": [{"profile": p, "keys": keys if p == 0 else []} for p in range(4)],
           "macros": [{"id": 1, "name": "one", "repeat": 1, "playMode": 0,
                       "actions": [{"key": "A", "code": 30, "direction": "press", "delay": 100},
                                   {"key": "A", "code": 30, "direction": "release", "delay": 0}]}]}
    write("profile", json.dumps(doc, indent=2).encode())
    doc["profiles"] = [{"profile": p, "keys": []} for p in range(4)]
    doc["macros"] = []
    write("empty", json.dumps(doc).encode())
elif target in ("language_file", "skin_layout", "settings_file"):
    import glob
    pattern = {"language_file": "resources/dist/Lang*.ini", "skin_layout": "resources/dist/Skins/*.ini",
               "settings_file": "resources/dist/Skins/*.userd"}[target]
    for path in glob.glob(pattern):
        with open(path, "rb") as f:
            data = f.read()
        if target == "settings_file":  # its first sections are enough, and keep each run quick
            end = b"\n\x00" if data.startswith(b"\xff\xfe") else b"\n"
            data = data[:data.rfind(end, 0, 3000) + len(end)]
        write(os.path.basename(path), data)
    write("utf8", "[TEXT]\r\nMAIN_CAPTION = \"Kelvane \u4e2d\"\r\n[BUTTONINFO]\nClose=10, 20,30,40\n"
                  "[Mode1]\n5=1,2,3,0\ntool=1\n[PRESENTMODE]\nmode=3\n".encode())
elif target == "report_descriptor":
    write("keyboard", bytes.fromhex(
        "061cff0992a1018504150026ff007508953f0901810209019102c0"
        "050c0901a1018503a47510950119002aff3f8100b4a1020b01000c00c0c0"
        "05080989a10185057508950109899102c0"))
    write("unnumbered", bytes.fromhex("0601ff0901a101150026ff0075089540090181020901910209019102c0"))
else:
    d = bytearray(378)
    for i, code in enumerate([(5, 0, 0), (2, 2, 4), (2, 1, 2), (6, 0xA2, 1), (3, 0xE2, 0), (1, 1, 1), (4, 0x81, 0)]):
        d[3 * i:3 * i + 3] = bytes(code)
    r = bytearray(d)
    r[3:6] = bytes((5, 1, 2)); r[6:9] = bytes((2, 1, 0x22)); r[12:15] = bytes((3, 0xE0, 0))
    write("mixed", bytes(r) + bytes(d))
    write("same", bytes(d) + bytes(d))
PY
}

total_runs=0
for t in "${targets[@]}"; do
  build "$t"
  corpus=$out/corpus/$t
  [ "$mode" = long ] || rm -rf "$corpus"
  seed "$t" "$corpus"
  log=$out/$t.log
  echo "fuzzing $t for ${seconds}s"
  if ! "$out/${t}_fuzz" "$corpus" -max_total_time="$seconds" -max_len=140000 -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$out/$t-" >"$log" 2>&1; then
    tail -40 "$log"
    echo "fuzz target $t found a fault (see $log)" >&2
    exit 1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  total_runs=$((total_runs + runs))
  echo "  $t: $runs executions, no finding"
done
echo "fuzzing done: $total_runs executions in all, no finding"
