#!/usr/bin/env bash
# Reliability, fault matrix: the program's Apply against the virtual keyboard with one fault at a time
# (bench/fault_matrix_bench.cpp). Each fault runs in a process of its own, so a crash or a hang fails that
# fault alone: a hang is ended after PROOF_FAULT_TIMEOUT seconds (default 120).
# Usage: scripts/proof/r2_faults.sh [--quick]   (the matrix is the same either way: about a minute)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
limit=${PROOF_FAULT_TIMEOUT:-120}
proof_build_native fault_matrix_bench quorvex >/dev/null || { echo "r2_faults: the build failed" >&2; exit 2; }
bench=build/native/bin/fault_matrix_bench
mapfile -t rows < <("$bench" --list) || exit 2
[ ${#rows[@]} -gt 0 ] || { echo "r2_faults: no fault rows" >&2; exit 2; }
for row in "${rows[@]}"; do
  out=$(timeout -k 5 "$limit" "$bench" "$row")
  rc=$?
  line=$(grep '^PROOF|' <<<"$out" | head -1)
  if [ -n "$line" ]; then
    echo "$line"
  elif [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
    echo "PROOF|R2|$row|no hang|still running after ${limit} s|FAIL"
  else
    echo "PROOF|R2|$row|no crash|ended with status $rc and no result|FAIL"
  fi
done
