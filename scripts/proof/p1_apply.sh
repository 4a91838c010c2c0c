#!/usr/bin/env bash
# Speed, Apply: the key and macro write-out (three key tables and a full 32640-byte macro area) against the
# virtual keyboard at 1 ms per report and direction (bench/exchange_bench.cpp, natively). The figure is
# the measured time over the physical floor: every report costs 2 ms, and the end of the write-out pauses
# 10 ms. Goal: at most 1.05.
# Usage: scripts/proof/p1_apply.sh [--quick]
#   PROOF_APPLY_ROUNDS  write-outs measured, the median counts (default 11; 3 with --quick)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
rounds=11
[ "$quick" -eq 1 ] && rounds=3
rounds=${PROOF_APPLY_ROUNDS:-$rounds}
proof_build_native exchange_bench quorvex || exit 1
out=$(mktemp)
trap 'rm -f "$out"' EXIT
build/native/bin/exchange_bench "$rounds" | tee "$out"
[ "${PIPESTATUS[0]}" -eq 0 ] || exit 1
ratio=$(proof_value apply_ratio "$out")
ms=$(proof_value apply_ms "$out")
floor=$(proof_value apply_floor_ms "$out")
[ -n "$ratio" ] || { echo "p1_apply: the benchmark printed no figure" >&2; exit 1; }
proof_figure P1 "Apply: 3 key tables + 32640-byte macro area, 1 ms per report and direction" "<= 1.05x the floor" \
  "$(printf '%.3fx (%s ms, floor %s ms, median of %s)' "$ratio" "$ms" "$floor" "$rounds")" \
  "$(proof_verdict "$ratio" '<=' 1.05)"
