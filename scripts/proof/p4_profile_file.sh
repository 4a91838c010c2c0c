#!/usr/bin/env bash
# Speed, the largest profile data file: validate + load + save against a plain read + write of the same
# bytes (bench/profile_file_bench.cpp, natively). Goal: at most 1.5 times the plain read + write.
# Usage: scripts/proof/p4_profile_file.sh [--quick]   (the benchmark takes seconds either way)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
proof_build_native profile_file_bench || exit 1
out=$(mktemp)
trap 'rm -f "$out"' EXIT
build/native/bin/profile_file_bench | tee "$out"
[ "${PIPESTATUS[0]}" -eq 0 ] || exit 1
ratio=$(proof_value file_ratio "$out")
[ -n "$ratio" ] || { echo "p4_profile_file: the benchmark printed no figure" >&2; exit 1; }
proof_figure P4 "largest profile file: validate + load + save vs read + write" "<= 1.5x" \
  "$(printf '%.2fx' "$ratio")" "$(proof_verdict "$ratio" '<=' 1.5)"
