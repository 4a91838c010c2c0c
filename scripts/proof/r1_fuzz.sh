#!/usr/bin/env bash
# Reliability, fuzzing: every decoder of outside bytes runs under libFuzzer with ASan + UBSan for a set time.
# One figure per target: its executions; the goal is no finding.
# Usage: scripts/proof/r1_fuzz.sh [--quick]
#   PROOF_FUZZ_SECONDS  seconds per target (default 600; 10 with --quick)
# Prints "PROOF|R1|fuzz <target>|0 findings|<n> executions, <f> findings|PASS or FAIL" per target; exits
# non-zero only when a target could not be built or run.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
proof_deps
seconds=600
[ "$quick" -eq 1 ] && seconds=10
seconds=${PROOF_FUZZ_SECONDS:-$seconds}
command -v "${CXX_FUZZ:-clang++}" >/dev/null || { echo "r1_fuzz: no clang++ (scripts/deps.sh installs it)" >&2; exit 2; }

targets=$(sed -n 's/^all_targets=(\(.*\))$/\1/p' scripts/fuzz.sh)
[ -n "$targets" ] || { echo "r1_fuzz: no target list in scripts/fuzz.sh" >&2; exit 2; }
out=build/fuzz
mkdir -p "$out"
failed_to_run=0
for t in $targets; do
  marker=$(mktemp)
  bash scripts/fuzz.sh long "$seconds" "$t"
  rc=$?
  findings=$(find "$out" -maxdepth 1 -name "$t-*" -newer "$marker" -type f | wc -l)
  rm -f "$marker"
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/$t.log" 2>/dev/null | grep -o '[0-9]*$' || true)
  if [ "$rc" -ne 0 ] && [ "$findings" -eq 0 ]; then
    echo "r1_fuzz: $t could not be built or run (exit $rc)" >&2
    failed_to_run=1
    continue
  fi
  verdict=PASS
  [ "$findings" -eq 0 ] || verdict=FAIL
  echo "PROOF|R1|fuzz $t (${seconds} s, ASan+UBSan)|0 findings|${runs:-0} executions, $findings findings|$verdict"
done
exit "$failed_to_run"
