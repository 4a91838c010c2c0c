#!/usr/bin/env bash
# Reliability, soak: many Applies in one process against the virtual keyboard with random faults
# (bench/soak_bench.cpp); every failure must clear, and memory, open descriptors and threads stay flat.
# Usage: scripts/proof/r6_soak.sh [--quick]
#   PROOF_SOAK_APPLIES        Applies (default 10000; 300 with --quick)
#   PROOF_SOAK_FAULT_PERCENT  share of Applies with a fault (default 5; 20 with --quick, so that each kind occurs)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
applies=10000 percent=5
if [ "$quick" -eq 1 ]; then applies=300 percent=20; fi
applies=${PROOF_SOAK_APPLIES:-$applies}
percent=${PROOF_SOAK_FAULT_PERCENT:-$percent}
proof_build_native soak_bench quorvex >/dev/null || { echo "r6_soak: the build failed" >&2; exit 2; }
build/native/bin/soak_bench "$applies" "$percent" || exit 2
