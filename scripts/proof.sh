#!/usr/bin/env bash
# The proof command: measures what the program promises (speed against the virtual keyboard, reliability
# under fuzzing, faults, kills and long runs), prints one table of figures and exits non-zero when a
# figure misses its goal or a part could not run. It runs long; it is not part of scripts/test.sh.
#
# Usage: scripts/proof.sh [--quick] [--write] [PART...]
#   --quick   every part briefly (a few minutes in all): a smoke check of the command, not a measurement
#   --write   also writes the table as Markdown into bench/results.md: the section of each group of parts
#             that ran (speed p*, reliability r*) is replaced, the other sections are kept
#   PART      names of parts to run (p1_apply, r1_fuzz, ...; a prefix such as "p" or "r2" selects all that
#             start with it); default: every part
#
# The parts: each is scripts/proof/<name>.sh and also runs alone as `bash scripts/proof/<name>.sh [--quick]`.
# What a part promises the proof command:
#   - it accepts --quick, which makes it brief (seconds to a minute or two);
#   - where it has a duration, it reads it from the environment (PROOF_SECONDS, PROOF_FUZZ_SECONDS, ...),
#     with a default for the full run and a shorter one for --quick;
#   - it builds what it needs itself (scripts/proof/lib/common.sh has helpers for the native and Windows
#     builds); PROOF_PREPARED is set when this command has already installed the packages and built both;
#   - each figure is one line on stdout:
#         PROOF|<id>|<figure name>|<goal text>|<measured text>|PASS
#     or the same ending in |FAIL (misses its goal) or |SKIP (cannot be measured yet: shown, not counted);
#     the texts hold no "|"; every other line of output is ordinary log;
#   - its exit code is non-zero when it could not run (a build failed, a program did not start); a figure
#     that misses its goal is a FAIL line, not an exit code.
# Parts are run one after another in name order (p* speed, then r* reliability); a part that exits non-zero
# or prints no figure counts as failed.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

quick=0 write=0 wanted=()
for arg in "$@"; do
  case "$arg" in
    --quick) quick=1 ;;
    --write) write=1 ;;
    -h|--help) sed -n '2,/^set -uo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "proof: unknown option $arg" >&2; exit 2 ;;
    *) wanted+=("$arg") ;;
  esac
done

parts=()
for f in scripts/proof/*.sh; do
  name=$(basename "$f" .sh)
  if [ ${#wanted[@]} -eq 0 ]; then parts+=("$name"); continue; fi
  for w in "${wanted[@]}"; do
    case "$name" in "$w"*) parts+=("$name"); break ;; esac
  done
done
if [ ${#parts[@]} -eq 0 ]; then
  echo "proof: no part matches: ${wanted[*]} (parts: $(ls scripts/proof/*.sh | xargs -n1 basename | sed 's/\.sh$//' | tr '\n' ' '))" >&2
  exit 2
fi

started=$(date -u '+%Y-%m-%d %H:%M UTC')
load_start=$(cut -d' ' -f1-3 /proc/loadavg)
begin=$(date +%s)

# Packages and both builds first, as the test command does them, so that each part finds them ready.
echo "=== preparing: packages, native and Windows builds ==="
bash scripts/deps.sh || { echo "proof: installing the packages failed" >&2; exit 1; }
prepare_failed=0
(
  set --
  PROOF_PREPARED=1
  source scripts/proof/lib/common.sh
  proof_build_native all && proof_build_win all
) || prepare_failed=1
if [ "$prepare_failed" -ne 0 ]; then
  echo "proof: the builds failed; nothing measured" >&2
  exit 1
fi
export PROOF_PREPARED=1

log_dir=$(mktemp -d)
trap 'rm -rf "$log_dir"' EXIT
lines=()
line_parts=()  # the part of each line
failed_parts=()
for p in "${parts[@]}"; do
  echo "=== $p$([ "$quick" -eq 1 ] && echo ' (quick)') ==="
  args=()
  [ "$quick" -eq 1 ] && args=(--quick)
  part_start=$(date +%s)
  bash "scripts/proof/$p.sh" "${args[@]}" | tee "$log_dir/$p.out"
  rc=${PIPESTATUS[0]}
  echo "--- $p: exit $rc after $(( $(date +%s) - part_start )) s"
  mapfile -t got < <(grep '^PROOF|' "$log_dir/$p.out")
  if [ "$rc" -ne 0 ] || [ ${#got[@]} -eq 0 ]; then
    failed_parts+=("$p")
    if [ "$rc" -ne 0 ]; then why="exit code $rc"; else why="printed no figure"; fi
    got+=("PROOF|$p|the part runs|runs and prints its figures|did not run: $why|FAIL")
  fi
  lines+=("${got[@]}")
  for _ in "${got[@]}"; do line_parts+=("$p"); done
done
elapsed=$(( $(date +%s) - begin ))
load_end=$(cut -d' ' -f1-3 /proc/loadavg)

# The table: one row per figure.
misses=0
rows=()
for i in "${!lines[@]}"; do
  l=${lines[$i]}
  IFS='|' read -r _ id name goal measured verdict <<<"$l"
  case "$verdict" in
    PASS) ;;
    SKIP) verdict="not measured" ;;
    *) verdict=FAIL; misses=$((misses + 1)) ;;
  esac
  rows+=("$id|$name|$goal|$measured|$verdict")
done

echo
echo "=== proof: $([ "$quick" -eq 1 ] && echo 'quick run (smoke check, not a measurement)' || echo 'full run') ==="
{
  echo "id|figure|goal|measured|result"
  printf '%s\n' "${rows[@]}"
} | awk -F'|' '{ for (i = 1; i <= NF; ++i) { cell[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) } n = NR }
    END { for (r = 1; r <= n; ++r) { line = ""; for (i = 1; i <= 5; ++i) line = line sprintf("%-" w[i] "s  ", cell[r, i]); sub(/ +$/, "", line); print line } }'
echo "machine: $(nproc) cores; load average at start $load_start, at end $load_end; $elapsed s in all"

if [ "$write" -eq 1 ]; then
  # One section per group of parts (the first letter of their names); a run replaces the sections of the
  # groups it ran and keeps the others, so that the speed and the reliability figures may be measured apart.
  cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
  sections=$(mktemp -d)
  for i in "${!rows[@]}"; do
    group=${line_parts[$i]:0:1}
    part_list="$sections/$group.parts"
    grep -qx "${line_parts[$i]}" "$part_list" 2>/dev/null || echo "${line_parts[$i]}" >>"$part_list"
    IFS='|' read -r id name goal measured verdict <<<"${rows[$i]}"
    echo "| $id | $name | $goal | $measured | $verdict |" >>"$sections/$group.rows"
  done
  for rowfile in "$sections"/*.rows; do
    group=$(basename "$rowfile" .rows)
    case "$group" in p) title="Speed" ;; r) title="Reliability" ;; *) title="Other figures ($group*)" ;; esac
    {
      echo "<!-- proof section $group -->"
      echo "## $title"
      echo
      echo "- date: $started"
      echo "- machine: $(nproc) cores${cpu:+ ($cpu)}, $(uname -sr)"
      echo "- load average (1, 5, 15 min): $load_start at the start of the run, $load_end at its end"
      echo "- run: $([ "$quick" -eq 1 ] && echo 'quick (a smoke check of the command; the figures are not measurements)' || echo 'full'), parts: $(tr '\n' ' ' <"$sections/$group.parts")($elapsed s for the whole run)"
      [ -n "${PROOF_NOTE:-}" ] && echo "- note: $PROOF_NOTE"
      echo
      echo "| id | figure | goal | measured | result |"
      echo "|----|--------|------|----------|--------|"
      cat "$rowfile"
      echo "<!-- end of proof section $group -->"
    } >"$sections/$group.md"
  done
  python3 - "$sections" bench/results.md <<'PY'
import os, re, sys
folder, target = sys.argv[1], sys.argv[2]
old = open(target, encoding="utf-8").read() if os.path.exists(target) else ""
kept = {m.group(1): m.group(0) for m in re.finditer(
    r"<!-- proof section (\w) -->.*?<!-- end of proof section \1 -->", old, re.S)}
for name in os.listdir(folder):
    if name.endswith(".md"):
        kept[name[:-3]] = open(os.path.join(folder, name), encoding="utf-8").read().rstrip("\n")
order = sorted(kept, key=lambda g: ({"p": 0, "r": 1}.get(g, 2), g))
head = ("# Measured figures\n\nWritten by `bash scripts/proof.sh --write` (see the README for what each figure "
        "means); each section comes from the last run of its parts.\n")
with open(target, "w", encoding="utf-8") as f:
    f.write(head + "".join("\n" + kept[g] + "\n" for g in order))
PY
  rm -rf "$sections"
  echo "written: bench/results.md"
fi

if [ ${#failed_parts[@]} -gt 0 ]; then
  echo "proof: part(s) that could not run: ${failed_parts[*]}" >&2
fi
if [ "$misses" -gt 0 ]; then
  echo "proof: $misses figure(s) miss their goal" >&2
  exit 1
fi
echo "proof: every figure meets its goal"
